#include "objects/portable/poster_choice.h"

namespace {

int DrawOnce(const PosterChoiceInput& input, PosterChoiceEnv& env) {
  const int userPosters = input.pictureCount + input.textCount;
  // Two or more user posters: only those. Fewer: the built-in motifs 4 to 8
  // and the single user poster, if any.
  if (userPosters >= 2) return env.Rand() % userPosters + kFirstUserMotif;
  return env.Rand() % (userPosters + 5) + kCalendarMotif;
}

int NextMotif(const PosterChoiceInput& input, PosterChoiceEnv& env) {
  if (InNewYearWindow(input.day, input.month) && env.Rand() % 5 == 0) return kNewYearMotif;
  if (input.calendarOn) return kCalendarMotif;
  return DrawDifferentMotif(input, env);
}

}  // namespace

bool InNewYearWindow(int day, int month) {
  return (month == 12 && day >= 28 && day <= 31) || (month == 1 && day >= 1 && day <= 2);
}

int DrawDifferentMotif(const PosterChoiceInput& input, PosterChoiceEnv& env) {
  for (int draw = 0; draw < kMaxEqualDraws; ++draw) {
    const int motif = DrawOnce(input, env);
    if (motif != input.currentMotif || env.QuitRequested()) return motif;
    env.Sleep(10);
  }
  return kCalendarMotif;
}

PosterChoice ChoosePoster(const PosterChoiceInput& input, PosterChoiceEnv& env) {
  PosterChoice choice;
  const int pictures = input.pictureCount;
  for (;;) {
    env.Log("LadePlakat...");
    const int motif = NextMotif(input, env);
    choice.motif = motif;
    if (motif >= kFirstUserMotif) {
      const int user = motif - kFirstUserMotif;
      const bool loaded = user < pictures ? env.LoadUserPicture(user) : env.LoadTextPoster(user - pictures);
      if (loaded) {
        choice.prepared = true;
        return choice;
      }
      ++choice.attempts;
      // A folder of unreadable files must not keep the thread at shutdown.
      if (choice.attempts >= 2 * pictures + 20 || env.QuitRequested()) return choice;
    } else {
      if (env.LoadBuiltinMotif(motif)) {
        choice.prepared = true;
        return choice;
      }
      ++choice.attempts;
      if (choice.attempts >= kBuiltinRounds || env.QuitRequested()) return choice;
    }
  }
}
