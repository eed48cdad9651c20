// The one door into CGame for tests and benchmarks: single phases of a play
// step, and the actors, sheets and score behind them.
#pragma once

#include <cstdint>

#include "game/Game.h"

class CGameProbe {
public:
    static CActorList& Actors(CGame& game) { return game.actors; }
    static CSurface* Sheet(CGame& game, int index) { return game.sheets[index]; }
    static int32_t& Score(CGame& game) { return game.score; }
    static void PlayStep(CGame& game) { game.PlayStep(); }
    static void Render(CGame& game) { game.Render(); }
    static bool ContactPass(CGame& game) { return game.ContactPass(); }
    // A play step in which nothing can touch: spawning, moves, sweep and the
    // regrouping that the frame would do. Contact draws no random numbers,
    // so the schedule is the one of a game that goes on.
    static void StepWithoutContact(CGame& game) {
        game.tick = game.tick + 1;
        if (game.tick > 40) {
            game.Spawn();
        }
        game.MovePass();
        game.actors.Sweep();
        game.actors.RegroupByLayer();
    }
};
