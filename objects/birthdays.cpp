#include "objects/birthdays.h"

// Stand-ins until the birthday list is built: nothing is ever due.
void CollectDueBirthdays() {}
int DueBirthdayCount() {
  return 0;
}
