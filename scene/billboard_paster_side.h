#pragma once
// The paster's scene (27) on the real billboard.

struct FigureRecord;
class ScriptHost;

// One tick of the paster's script with the billboard's record.
void RunPasterScene(FigureRecord* figure, FigureRecord* billboard, ScriptHost& host);
