// The functions of web/library.js, the browser's side of the platform layer.
// Those marked "waits" suspend the game's thread until the browser answers.
#pragma once

#include <cstdint>

// What web_saves_push says.
enum WebSaveResult {
    WEB_SAVE_FAILED = 0,
    WEB_SAVE_STORED = 1,
    WEB_SAVE_OVERTAKEN = 2,  // another tab wrote first; nothing was written
};

extern "C" {
// Shows a 640 x 480 frame of RGBA bytes on the canvas.
void web_canvas_show(const void* rgba, int32_t width, int32_t height);
void web_set_title(const char* text);

int32_t web_audio_available();
void web_effect_slots(int32_t count);
// `stored` frames of planar floats, silence after them up to `frames`.
int32_t web_effect_load(int32_t slot, const float* samples, int32_t channels, uint32_t stored,
                        uint32_t frames, int32_t rate);
void web_effect_play(int32_t slot);
void web_effect_stop(int32_t slot);
void web_set_volume(double gain);

// The rendering of the MIDI file with this size and checksum, or -1; its
// loop in music time (both 0 when it has none).
int32_t web_music_find(uint32_t bytes, uint32_t checksum);
int32_t web_music_loop_start(int32_t piece);
int32_t web_music_loop_end(int32_t piece);
// Plays a rendering from the start: with repeats > 0 looping that many
// times, with 0 once through.
void web_music_play(int32_t piece, uint32_t repeats);
void web_music_stop();

// Waits: 1 for OK or Yes, 0 otherwise.
int32_t web_message_box(const char* caption, const char* text, int32_t yesNo);
void web_name_dialog_open(const char* placeText, const char* name);
// Waits: 1 OK, 2 the list button, 0 the close box.
int32_t web_name_dialog_wait();
void web_name_dialog_text(char* out, int32_t size);
void web_name_dialog_close();
// Waits for OK: five rows of UTF-8, one a line.
void web_list_dialog_run(const char* rows);

// The kept files (the score table and what goes with it) live in a folder
// of the program's files and are stored in a database of the browser's
// storage that is this game's alone.
// Waits: opens the database `name` for the kept files of `folder` and reads
// them into it; 0 when the browser keeps nothing for this site.
int32_t web_saves_open(const char* folder, const char* name);
// Waits: the folder as stored now; 0 when the storage could not be read
// (the folder is then as it was).
int32_t web_saves_pull();
// Waits: writes what changed in the folder since the last pull, unless
// another tab of the site wrote first. Anything but WEB_SAVE_STORED puts the
// folder back as it is stored.
int32_t web_saves_push();
// Puts the folder back as it was last pulled or pushed.
void web_saves_revert();
// Whether the kept file `name` (a path in the folder) changed since it was
// last pulled or pushed: 1 or 0. Cheap enough for every tick.
int32_t web_saves_changed(const char* name);
// Waits: writes the one kept file `name` as it is now, whatever other tabs
// wrote (a file each tab writes whole, where the last write wins); 0 when
// that failed.
int32_t web_saves_put(const char* name);

// The kept replays' list: one line each (place, 0 for the last session's;
// score; name as UTF-8; when it was kept, in seconds since 1970; with tabs
// between). Waits: index * 4 + 1 to watch one, index * 4 + 2 to save its
// file; -1 closed; a file from the player's disk: -2 it is at `filePath`,
// -3 it was too large, -4 it could not be read.
int32_t web_replay_list_run(const char* lines, const char* filePath);
// Waits: the replay that the page's link names (#watch=URL, on the page's
// own site) at `path`: 2 no link; 1 it is there; 0 too large; -1 it could
// not be fetched; -2 the link names another site.
int32_t web_replay_fetch_linked(const char* path);
// Hands `size` bytes at `text` to the player as the file `name`.
void web_replay_download(const char* name, const char* text, int32_t size);
// Puts the page's pictures and sounds under `dir`; 0 when that failed.
int32_t web_install_files(const char* dir);
}
