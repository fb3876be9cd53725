#pragma once
// The behaviour scripts, one per figure; each runs one tick of its figure.
// Scene number = figure number; ScriptForScene maps the one to the other.

#include "scene/portable/script_host.h"

class BillboardSide;

void BehaveDummy(FigureMotion& record, ScriptHost& host);
void BehaveFigure02(FigureMotion& record, ScriptHost& host);
void BehaveFigure03(FigureMotion& record, ScriptHost& host);
void BehaveFigure05(FigureMotion& record, ScriptHost& host);
void BehaveFigure08(FigureMotion& record, ScriptHost& host);
void BehaveFigure10(FigureMotion& record, ScriptHost& host);
void BehaveFigure11(FigureMotion& record, ScriptHost& host);
void BehaveFigure13(FigureMotion& record, ScriptHost& host);
void BehaveFigure20(FigureMotion& record, ScriptHost& host);
void BehaveFigure22(FigureMotion& record, ScriptHost& host);
void BehaveFigure24(FigureMotion& record, ScriptHost& host);
void BehaveFigure26(FigureMotion& record, ScriptHost& host);
void BehaveBirthdayFigure(FigureMotion& record, ScriptHost& host);  // scene 35
void BehaveFigure37(FigureMotion& record, ScriptHost& host);
void BehaveFigure38(FigureMotion& record, ScriptHost& host);
void BehaveFigure39(FigureMotion& record, ScriptHost& host);
void BehaveFigure31(FigureMotion& record, ScriptHost& host);
void BehaveFigure34(FigureMotion& record, ScriptHost& host);
void BehaveFigure36(FigureMotion& record, ScriptHost& host);
void BehaveFigure40(FigureMotion& record, ScriptHost& host);
void BehaveFigure43(FigureMotion& record, ScriptHost& host);
void BehaveFigure47(FigureMotion& record, ScriptHost& host);
void BehaveFigure49(FigureMotion& record, ScriptHost& host);
void BehaveFigure54(FigureMotion& record, ScriptHost& host);
void BehaveFigure42(FigureMotion& record, ScriptHost& host);
void BehaveBirds(FigureMotion& record, ScriptHost& host);
void BehavePlane(FigureMotion& record, ScriptHost& host);
// The billboard paster also sees the billboard; the animation thread calls
// him directly with it (scene 27), not through ScriptForScene.
void BehaveFigure27(FigureMotion& record, ScriptHost& host, BillboardSide& board);

// The script of a scene, or null when the scene has none (yet).
FigureScript ScriptForScene(int scene);
