#include "objects/portable/poster_choice.h"

#include <vector>

namespace {

// `users` are the user posters that may be drawn (all of them but those known
// to fail), by list index; `usersOnly` says the folders hold two or more that
// may show, so the built-in motifs stay out.
int DrawOnce(const std::vector<int>& users, bool usersOnly, PosterChoiceEnv& env) {
  const int count = static_cast<int>(users.size());
  if (usersOnly) return users[static_cast<size_t>(env.Rand() % count)] + kFirstUserMotif;
  // Fewer: the built-in motifs 4 to 8 and the single user poster, if any.
  const int motif = env.Rand() % (count + 5) + kCalendarMotif;
  return motif >= kFirstUserMotif ? users[0] + kFirstUserMotif : motif;
}

int DrawDifferent(const PosterChoiceInput& input, const std::vector<int>& users, bool usersOnly,
                  PosterChoiceEnv& env) {
  // Only the poster already up is left: the draws could not differ, and would
  // end on the calendar sheet after 1000 of them.
  if (usersOnly && users.size() == 1 && users[0] + kFirstUserMotif == input.currentMotif)
    return kCalendarMotif;
  for (int draw = 0; draw < kMaxEqualDraws; ++draw) {
    const int motif = DrawOnce(users, usersOnly, env);
    if (motif != input.currentMotif || env.QuitRequested()) return motif;
    env.Sleep(10);
  }
  return kCalendarMotif;
}

int NextMotif(const PosterChoiceInput& input, const std::vector<int>& users, bool usersOnly,
              PosterChoiceEnv& env) {
  if (InNewYearWindow(input.day, input.month) && env.Rand() % 5 == 0) return kNewYearMotif;
  if (input.calendarOn) return kCalendarMotif;
  return DrawDifferent(input, users, usersOnly, env);
}

}  // namespace

bool InNewYearWindow(int day, int month) {
  return (month == 12 && day >= 28 && day <= 31) || (month == 1 && day >= 1 && day <= 2);
}

PosterState PosterLoadMemo::State(const std::string& path, Stamp stamp) const {
  const auto found = entries_.find(path);
  if (found == entries_.end() || !(found->second.first == stamp)) return PosterState::kUnknown;
  return found->second.second ? PosterState::kLoads : PosterState::kFails;
}

void PosterLoadMemo::Record(const std::string& path, Stamp stamp, bool loaded) {
  if (entries_.size() >= kMaxEntries && !entries_.count(path)) entries_.clear();
  entries_[path] = {stamp, loaded};
}

std::vector<int> DrawableUserPosters(const PosterChoiceInput& input, PosterChoiceEnv& env) {
  std::vector<int> users;
  for (int user = 0; user < input.pictureCount + input.textCount; ++user)
    if (env.UserPosterState(user) != PosterState::kFails) users.push_back(user);
  return users;
}

int DrawDifferentMotif(const PosterChoiceInput& input, PosterChoiceEnv& env) {
  const std::vector<int> users = DrawableUserPosters(input, env);
  return DrawDifferent(input, users, users.size() >= 2, env);
}

PosterChoice ChoosePoster(const PosterChoiceInput& input, PosterChoiceEnv& env) {
  PosterChoice choice;
  const int pictures = input.pictureCount;
  // What may show is settled at the start: a poster that fails now leaves the
  // draws (the environment remembers it), but never lets the built-in motifs in.
  std::vector<int> users = DrawableUserPosters(input, env);
  const bool usersOnly = users.size() >= 2;
  for (;;) {
    env.Log("LadePlakat...");
    const int motif = NextMotif(input, users, usersOnly, env);
    choice.motif = motif;
    if (motif >= kFirstUserMotif) {
      const int user = motif - kFirstUserMotif;
      const bool loaded = user < pictures ? env.LoadUserPicture(user) : env.LoadTextPoster(user - pictures);
      if (loaded) {
        choice.prepared = true;
        return choice;
      }
      ++choice.attempts;
      users = DrawableUserPosters(input, env);
      // Every user poster failed: nothing else is for this wall.
      if (usersOnly && users.empty()) return choice;
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
