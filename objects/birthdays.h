#pragma once
// The birthdays due today, collected once a day by the animation thread.

// Collects today's due entries of the birthday list.
void CollectDueBirthdays();
// Count of the texts due today (0 to 24).
int DueBirthdayCount();
