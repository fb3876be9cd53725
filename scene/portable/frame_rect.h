#pragma once
// One frame of a sprite sheet, {x, y, width, height}; shared by the scripts'
// frame tables and the art generator.

struct SpriteFrame {
  int x, y, w, h;
};
