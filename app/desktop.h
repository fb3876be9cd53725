#pragma once
// The desktop parts the shell makes at start-up and hands to each other.

// Once the main-class windows exist: the billboard the animation thread
// carries, and what follows a relayout the thread passes on.
void AssembleDesktop();
