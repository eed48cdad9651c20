// The pictures, icon, cursor and dialog layouts built into the program.
//
// Resource paths: /game/bitmaps/NNNN.bmp, /game/icons/999.ico,
// /game/cursors/1000.cur, /game/ui/<name>.ui.
#pragma once

// Makes the built-in resources visible to lookups by path. Safe to call any
// number of times; call it before the first lookup.
void RegisterGameResources();
