#pragma once
// What the options sheet asks of a free-standing desktop object (the clock,
// the countdown, the weather sign). The objects implement it and the shell
// hands them over; the sheet stands beside the objects and sees no more of
// them than this.

class ObjectControls {
 public:
  // Whether the object's thread unloads it at its next pass, so the face
  // chosen now is loaded; false withdraws such an ask not yet served.
  virtual void AskReload(bool reload) = 0;
  // Places the object again by its settings.
  virtual void AskRelayout() = 0;
  // Brings the object's window to the front, topmost or into the normal
  // band, by its own thread; nothing while it has no window.
  virtual void AskRaise(bool topmost) = 0;

 protected:
  ~ObjectControls() = default;
};
