#include "scene/scripts/figure_scripts.h"

FigureScript ScriptForScene(int scene) {
  switch (scene) {
    case 1:
      return BehaveDummy;
    case 2:
      return BehaveFigure02;
    case 3:
      return BehaveFigure03;
    case 5:
      return BehaveFigure05;
    case 8:
      return BehaveFigure08;
    case 10:
      return BehaveFigure10;
    case 11:
      return BehaveFigure11;
    case 13:
      return BehaveFigure13;
    case 20:
      return BehaveFigure20;
    case 22:
      return BehaveFigure22;
    case 24:
      return BehaveFigure24;
    case 26:
      return BehaveFigure26;
    case 31:
      return BehaveFigure31;
    case 34:
      return BehaveFigure34;
    case 35:
      return BehaveBirthdayFigure;
    case 36:
      return BehaveFigure36;
    case 37:
      return BehaveFigure37;
    case 38:
      return BehaveFigure38;
    case 39:
      return BehaveFigure39;
    case 40:
      return BehaveFigure40;
    case 43:
      return BehaveFigure43;
    case 47:
      return BehaveFigure47;
    case 49:
      return BehaveFigure49;
    case 54:
      return BehaveFigure54;
    case 42:
      return BehaveFigure42;
    case 90:
      return BehaveBirds;
    case 91:
      return BehavePlane;
    default:
      return nullptr;
  }
}
