#include "audio/FailureNote.h"

#include <filesystem>
#include <system_error>

void CFailureNote::NoteFailure(const std::string& line) const {
    if (target != nullptr) {
        *target = line;
    }
}

void CFailureNote::NoteUnloadable(const std::string& path) const {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    if (error) {
        full = path;
    }
    NoteFailure(full.lexically_normal().string() + " を読み込めません");
}
