#include "replay/RecordedSession.h"

#include <chrono>

#include "actors/GameRandom.h"

#ifndef GAME_VERSION
#define GAME_VERSION "0"
#endif

namespace {

// Room kept for the last tick line and `end`.
constexpr size_t kReserveBytes = 64;

int64_t SystemClock() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

const char* GameVersionText() {
    return GAME_VERSION;
}

int32_t CRecordedSession::CWatchingPlatform::RunGameOverDialog(HWND owner) {
    const int32_t result = inner->RunGameOverDialog(owner);
    ran = true;
    std::string typed;
    // What the game will read: a name that cannot be read back is stored
    // by no one, as if the entry had been closed.
    named = result == 1 && keeper->ReadName(&typed);
    name = named ? ReplayNameText(typed) : std::string();
    return result;
}

ScoreFileState CRecordedSession::CWatchingKeeper::Load(ScoreEntry* rows) {
    const ScoreFileState state = inner->Load(rows);
    loaded = true;
    table.kept = state == SCORE_FILE_READ || state == SCORE_FILE_NONE;
    for (int32_t i = 0; i < kScoreRows; ++i) {
        table.rows[i] = rows[i];
    }
    return state;
}

bool CRecordedSession::CWatchingKeeper::WritePlace(int32_t place) {
    const bool written = inner->WritePlace(place);
    table.entry = written;
    return written;
}

ScoreSaveResult CRecordedSession::CWatchingKeeper::Insert(ScoreEntry* rows, int32_t score,
                                                          const std::string&) {
    const ScoreSaveResult result = inner->Insert(rows, score, session->RowReplay());
    if (RowStored(result)) {
        // The new row ranks above any of equal score, so it is the first of
        // them in the table as kept, whatever other games stored meanwhile.
        const int32_t place = StoredPlace(rows, score);
        stored = true;
        row.place = place;
        row.score = score;
        row.name = ReplayNameText(rows[place - 1].name);
    }
    return result;
}

CRecordedSession::CRecordedSession(CPlatform* formPlatform, const char* formName,
                                   CScoreKeeper* scoreKeeper)
    : keeper(scoreKeeper != nullptr ? scoreKeeper : &FileScoreKeeper(), this),
      platform(formPlatform, &keeper),
      game(&platform),
      form(formName),
      clock(&SystemClock) {
    game.SetScoreKeeper(&keeper);
    Restart();
}

void CRecordedSession::SetClock(int64_t (*newClock)()) {
    clock = newClock;
    Restart();
}

void CRecordedSession::Reseed(uint32_t seed) {
    SetGameRandomState(seed);
    Restart();
}

void CRecordedSession::Restart() {
    SReplayHeader header;
    header.gameVersion = GameVersionText();
    header.form = form;
    header.seed = GameRandomState();
    header.recorded = ReplayTimeText(clock());
    body = ReplayHeaderLine(header) + "\nseed " + std::to_string(header.seed) + "\n";
    if (game.Paused()) {
        body += "enter\n";
    }
    ticks = 0;
    pendingTicks = 0;
    inputs = 0;
    markBytes = body.size();
    markTicks = 0;
    frozen = false;
}

void CRecordedSession::Abandon() {
    body.resize(markBytes);
    ticks = markTicks;
    pendingTicks = 0;
    frozen = true;
}

bool CRecordedSession::Write(const std::string& line) {
    if (frozen) {
        return false;
    }
    if (body.size() + line.size() + 1 + kReserveBytes > kReplayMaxBytes) {
        Abandon();
        return false;
    }
    body += line;
    body += '\n';
    return true;
}

bool CRecordedSession::FlushTicks() {
    if (pendingTicks == 0) {
        return !frozen;
    }
    const int64_t count = pendingTicks;
    pendingTicks = 0;
    return Write("tick " + std::to_string(count));
}

bool CRecordedSession::NearLimits() const {
    return ticks >= kReplayMaxTicks / 4 * 3 || body.size() >= kReplayMaxBytes / 4 * 3;
}

void CRecordedSession::Tick() {
    if (game.State() == STATE_TITLE && (frozen || NearLimits())) {
        Restart();
    }
    if (frozen || ticks + 1 > kReplayMaxTicks) {
        if (!frozen) {
            Abandon();
        }
        game.Tick();
        return;
    }
    const bool gameOver = game.State() == STATE_ENDED;
    keeper.loaded = false;
    keeper.stored = false;
    keeper.table.entry = true;
    platform.ran = false;
    game.Tick();
    ++ticks;
    inputs = 0;
    if (!gameOver) {
        ++pendingTicks;
    } else {
        if (!keeper.loaded) {
            // Scores not kept this run: the game read no table.
            keeper.table.kept = false;
        }
        const std::string lines = GameOverLines();
        bool written = FlushTicks();
        for (size_t at = 0; written && at < lines.size();) {
            const size_t end = lines.find('\n', at);
            written = Write(lines.substr(at, end - at));
            at = end + 1;
        }
        if (written && keeper.stored && rowObserver) {
            SStoredRow row = keeper.row;
            row.replay = Text();
            rowObserver(row);
        }
    }
    if (game.State() == STATE_ENDED && FlushTicks()) {
        Write("score " + std::to_string(game.Score()));
    }
}

void CRecordedSession::OnClick(int32_t x, int32_t y) {
    if (!frozen && game.State() == STATE_TITLE && FlushTicks()) {
        markBytes = body.size();
        markTicks = ticks;
    }
    // More than a reader takes (no hand clicks so fast; no window is so
    // large) is not recorded.
    if (!frozen &&
        (++inputs > kReplayMaxInputsPerTick || x < -kReplayMaxCoordinate - 1 ||
         x > kReplayMaxCoordinate || y < -kReplayMaxCoordinate - 1 || y > kReplayMaxCoordinate)) {
        Abandon();
    }
    if (FlushTicks()) {
        Write("click " + std::to_string(x) + " " + std::to_string(y));
    }
    game.OnClick(x, y);
}

void CRecordedSession::TogglePause() {
    if (!frozen && ++inputs > kReplayMaxInputsPerTick) {
        Abandon();
    }
    if (FlushTicks()) {
        Write("enter");
    }
    game.TogglePause();
}

std::string CRecordedSession::GameOverLines() const {
    std::string lines = ReplayTableLine(keeper.table) + "\n";
    if (platform.ran) {
        lines +=
            platform.named ? (platform.name.empty() ? "name" : "name " + platform.name) : "close";
        lines += "\n";
    }
    return lines + "tick 1\n";
}

std::string CRecordedSession::RowReplay() const {
    if (frozen) {
        return "";
    }
    std::string text = body;
    if (pendingTicks > 0) {
        text += "tick " + std::to_string(pendingTicks) + "\n";
    }
    text += GameOverLines();
    // Write keeps the same room free, line by line.
    if (text.size() + kReserveBytes > kReplayMaxBytes) {
        return "";
    }
    return text + "end\n";
}

std::string CRecordedSession::Text() const {
    std::string text = body;
    if (!frozen && pendingTicks > 0) {
        text += "tick " + std::to_string(pendingTicks) + "\n";
    }
    return text + "end\n";
}
