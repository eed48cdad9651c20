// The mmio WAV reader on files made by sox and on hand-made RIFF files.
#include <cstring>
#include <vector>

#include "audio/WaveFileMmio.h"
#include "tests/windows/WinCheck.h"
#include "tests/windows/WinTestSupport.h"

namespace {

std::string Le16(uint32_t v) {
    return std::string{char(v & 0xff), char((v >> 8) & 0xff)};
}
std::string Le32(uint32_t v) {
    return Le16(v & 0xffff) + Le16(v >> 16);
}

std::string Chunk(const char* id, const std::string& body) {
    std::string bytes = std::string(id, 4) + Le32(static_cast<uint32_t>(body.size())) + body;
    if (body.size() % 2 != 0) {
        bytes += '\0';
    }
    return bytes;
}

std::string Riff(const std::string& body, const char* form = "WAVE") {
    return "RIFF" + Le32(static_cast<uint32_t>(body.size() + 4)) + std::string(form, 4) + body;
}

// The 16-byte PCM record.
std::string FormatRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}

std::string Samples(size_t count) {
    std::string bytes;
    for (size_t i = 0; i < count; ++i) {
        bytes += static_cast<char>((i * 7 + 3) & 0xff);
    }
    return bytes;
}

std::string DataPath(const char* name) {
    return WinTestDataDir() + "/" + name;
}

std::string WriteCase(const char* name, const std::string& bytes) {
    const std::string path = DataPath(name);
    WriteWholeFile(path, bytes);
    return path;
}

// Reads every remaining data byte in pieces of `piece`.
std::string ReadAll(CWaveFile& reader, uint32_t piece) {
    std::string out;
    std::vector<BYTE> buffer(piece);
    for (;;) {
        uint32_t got = 0;
        if (FAILED(reader.Read(piece, buffer.data(), &got)) || got == 0) {
            return out;
        }
        out.append(reinterpret_cast<const char*>(buffer.data()), got);
    }
}

}  // namespace

// sox's own files: the format as written and the samples byte for byte.
WIN_TEST(WaveFileReadsSoxFiles) {
    struct Case {
        const char* wav;
        const char* raw;
        uint16_t tag, channels;
        uint32_t rate;
        uint16_t bits;
    };
    const Case cases[] = {{"pcm16.wav", "pcm16.raw", 1, 2, 44100, 16},
                          {"pcm8.wav", "pcm8.raw", 1, 1, 22050, 8},
                          {"alaw.wav", "alaw.raw", 6, 1, 8000, 8}};
    for (const Case& c : cases) {
        const std::string samples = ReadWholeFile(DataPath(c.raw));
        if (samples.empty()) {
            std::printf("  (no %s: sox did not make it)\n", c.raw);
            CHECK(false);
            continue;
        }
        CWaveFile reader;
        REQUIRE(reader.Open(DataPath(c.wav).c_str()) == S_OK);
        REQUIRE(reader.format != nullptr);
        CHECK_EQ(reader.format->wFormatTag, c.tag);
        CHECK_EQ(reader.format->nChannels, c.channels);
        CHECK_EQ(reader.format->nSamplesPerSec, c.rate);
        CHECK_EQ(reader.format->wBitsPerSample, c.bits);
        CHECK_EQ(reader.format->cbSize, 0);
        CHECK_EQ(reader.dataChunk.cksize, static_cast<DWORD>(samples.size()));
        CHECK(ReadAll(reader, 1000) == samples);
        // Reset goes back to the first sample with the whole size.
        CHECK_EQ(reader.Reset(), S_OK);
        CHECK_EQ(reader.dataChunk.cksize, static_cast<DWORD>(samples.size()));
        CHECK(ReadAll(reader, 65536) == samples);
        CHECK_EQ(reader.Close(), 0);
    }
}

// Extensible files (24-bit) carry extra format bytes: a longer block.
WIN_TEST(WaveFileKeepsExtraFormatBytes) {
    const std::string samples = ReadWholeFile(DataPath("pcm24.raw"));
    REQUIRE(!samples.empty());
    CWaveFile reader;
    REQUIRE(reader.Open(DataPath("pcm24.wav").c_str()) == S_OK);
    CHECK_EQ(reader.format->wFormatTag, WAVE_FORMAT_EXTENSIBLE);
    CHECK_EQ(reader.format->cbSize, 22);
    CHECK_EQ(reader.format->wBitsPerSample, 24);
    // The extension's first field: the valid bits per sample.
    WORD validBits = 0;
    std::memcpy(&validBits, reinterpret_cast<const BYTE*>(reader.format) + 18, 2);
    CHECK_EQ(validBits, 24);
    CHECK(ReadAll(reader, 333) == samples);

    const std::string extra = FormatRecord(2, 1, 11025, 4) + Le16(4) + "\x01\x02\x03\x04";
    CWaveFile other;
    REQUIRE(
        other.Open(WriteCase("extra.wav", Riff(Chunk("fmt ", extra) + Chunk("data", Samples(10))))
                       .c_str()) == S_OK);
    CHECK_EQ(other.format->wFormatTag, 2);
    CHECK_EQ(other.format->cbSize, 4);
    CHECK(std::memcmp(reinterpret_cast<const BYTE*>(other.format) + 18, "\x01\x02\x03\x04", 4) ==
          0);
}

WIN_TEST(WaveFileChunkRules) {
    const std::string fmt = Chunk("fmt ", FormatRecord(1, 1, 8000, 8));
    const std::string data = Chunk("data", Samples(101));
    const std::string list = Chunk("LIST", "INFOjunk");

    // Other chunks around, data before fmt: fine.
    CWaveFile reader;
    CHECK_EQ(reader.Open(WriteCase("order.wav", Riff(list + data + list + fmt)).c_str()), S_OK);
    CHECK_EQ(reader.dataChunk.cksize, 101u);
    CHECK(ReadAll(reader, 64) == Samples(101));

    // A PCM fmt chunk of 18 bytes: 16 read, cbSize 0, the rest skipped.
    const std::string longFmt = Chunk("fmt ", FormatRecord(1, 2, 44100, 16) + Le16(77));
    CHECK_EQ(reader.Open(WriteCase("long.wav", Riff(longFmt + data)).c_str()), S_OK);
    CHECK_EQ(reader.format->cbSize, 0);
    CHECK_EQ(reader.format->nChannels, 2);
    CHECK(ReadAll(reader, 64) == Samples(101));

    // Refused: a 14-byte record, no data, another form, not RIFF at all.
    const std::string shortFmt = Chunk("fmt ", FormatRecord(1, 1, 8000, 8).substr(0, 14));
    CHECK_EQ(reader.Open(WriteCase("short.wav", Riff(shortFmt + data)).c_str()), E_FAIL);
    CHECK(reader.file == nullptr);
    CHECK_EQ(reader.Open(WriteCase("nodata.wav", Riff(fmt + list)).c_str()), E_FAIL);
    CHECK(reader.file == nullptr);
    CHECK_EQ(reader.Open(WriteCase("avi.wav", Riff(fmt + data, "AVI ")).c_str()), E_FAIL);
    CHECK_EQ(reader.Open(WriteCase("plain.wav", "just some text, not a sound").c_str()), E_FAIL);
    CHECK_EQ(reader.Open(DataPath("missing.wav").c_str()), E_FAIL);
    CHECK(reader.file == nullptr);
    CHECK_EQ(reader.Close(), 0);
    CHECK_EQ(reader.Close(), 0);
}

WIN_TEST(WaveFileReadCounts) {
    const std::string fmt = Chunk("fmt ", FormatRecord(1, 1, 8000, 8));
    CWaveFile reader;
    REQUIRE(reader.Open(WriteCase("ten.wav", Riff(fmt + Chunk("data", Samples(10)))).c_str()) ==
            S_OK);
    BYTE buffer[64];
    uint32_t got = 99;
    CHECK_EQ(reader.Read(4, buffer, &got), S_OK);
    CHECK_EQ(got, 4u);
    CHECK_EQ(reader.dataChunk.cksize, 6u);
    // More than remains: what remains.
    CHECK_EQ(reader.Read(64, buffer, &got), S_OK);
    CHECK_EQ(got, 6u);
    CHECK(std::memcmp(buffer, Samples(10).data() + 4, 6) == 0);
    CHECK_EQ(reader.Read(64, buffer, &got), S_OK);
    CHECK_EQ(got, 0u);

    // A data chunk that claims more than the file holds fails at the end,
    // with the remaining size lowered by the whole request.
    std::string cut = Riff(fmt + Chunk("data", Samples(10)));
    cut.replace(cut.size() - 14, 4, Le32(5000));
    REQUIRE(reader.Open(WriteCase("cut.wav", cut).c_str()) == S_OK);
    CHECK_EQ(reader.dataChunk.cksize, 5000u);
    got = 99;
    CHECK_EQ(reader.Read(64, buffer, &got), E_FAIL);
    CHECK_EQ(got, 0u);
    CHECK_EQ(reader.dataChunk.cksize, 5000u - 64u);
    reader.Close();
}
