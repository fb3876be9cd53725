#pragma once
// The behaviour scripts, one per figure; each runs one tick of its figure.
// Scene number = figure number; ScriptForScene maps the one to the other.

#include "scene/portable/script_host.h"

void BehaveDummy(FigureMotion& record, ScriptHost& host);
void BehaveFigure02(FigureMotion& record, ScriptHost& host);
void BehaveFigure08(FigureMotion& record, ScriptHost& host);
void BehaveFigure10(FigureMotion& record, ScriptHost& host);
void BehaveFigure13(FigureMotion& record, ScriptHost& host);
void BehaveFigure26(FigureMotion& record, ScriptHost& host);

// The script of a scene, or null when the scene has none (yet).
FigureScript ScriptForScene(int scene);

// Values some scripts keep between their appearances; tests reset them.
void ResetFigureMemories();
