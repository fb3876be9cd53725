#include "scene/scripts/figure_memories.h"
#include "scene/scripts/figure_scripts.h"

FigureScript ScriptForScene(int scene) {
  switch (scene) {
    case 1:
      return BehaveDummy;
    case 2:
      return BehaveFigure02;
    case 8:
      return BehaveFigure08;
    case 10:
      return BehaveFigure10;
    case 13:
      return BehaveFigure13;
    case 26:
      return BehaveFigure26;
    case 35:
      return BehaveBirthdayFigure;
    case 37:
      return BehaveFigure37;
    case 38:
      return BehaveFigure38;
    case 39:
      return BehaveFigure39;
    default:
      return nullptr;
  }
}

void ResetFigureMemories() {
  FigureMemories::figure02Direction = 0;
  FigureMemories::figure08Variant = 0;
  FigureMemories::figure10Variant = 0;
  FigureMemories::figure27Motif = 0;
}
