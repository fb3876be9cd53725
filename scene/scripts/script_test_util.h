#pragma once
// Runs a script tick by tick against the fake host.

#include <functional>

#include "scene/portable/fake_script_host.h"
#include "scene/scripts/figure_scripts.h"

// Ticks until the record is unloaded or `limit` ticks passed; returns the count.
inline int RunScene(FigureScript script, FigureMotion& record, FakeScriptHost& host, int limit,
                    const std::function<void(int tick)>& each = nullptr) {
  int tick = 0;
  do {
    script(record, host);
    ++tick;
    if (each) each(tick);
  } while (record.active && tick < limit);
  return tick;
}
