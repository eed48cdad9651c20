// How a sound device says why a set-up step failed: one line for the
// program's start-up failure box, naming the file as the device opened it.
#pragma once

#include <new>
#include <string>

class CFailureNote {
public:
    // `note`, when given, receives one line each time a set-up step fails.
    void ReportFailuresTo(std::string* note) { target = note; }

protected:
    void NoteFailure(const std::string& line) const;
    // The file at `path`, as the device opened it, could not be loaded; the
    // line names its full path.
    void NoteUnloadable(const std::string& path) const;

private:
    std::string* target = nullptr;
};

// A new sound device that reports its failures to `note`; until it does,
// `note` names the step, `step`.
template <class TDevice>
TDevice* NewReportingDevice(std::string* note, const char* step) {
    *note = step;
    TDevice* device = new (std::nothrow) TDevice();
    if (device != nullptr) {
        device->ReportFailuresTo(note);
    }
    return device;
}
