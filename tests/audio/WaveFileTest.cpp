#include <gtest/gtest.h>

#include <cstring>

#include "AudioTestSupport.h"
#include "audio/WaveFile.h"

namespace {

class WaveFileTest : public ::testing::Test {
protected:
    void TearDown() override { reader.Close(); }

    // Writes the bytes to a file and opens it.
    HRESULT OpenBytes(const std::string& bytes) {
        std::string path = dir.Path("test.wav");
        WriteFile(path, bytes);
        return reader.Open(path.c_str());
    }

    // Makes a WAV file with sox and opens it; also returns its bytes.
    HRESULT OpenSox(const std::string& options, std::string* bytes) {
        std::string path = dir.Path("sox.wav");
        EXPECT_TRUE(RunCommand("sox -n " + options + " " + path + " synth 0.05 sine 440 vol 0.5"));
        *bytes = ReadWholeFile(path);
        return reader.Open(path.c_str());
    }

    // Where the "data" chunk's bytes start in a file, and how many it states.
    static void FindData(const std::string& bytes, size_t* offset, uint32_t* size) {
        size_t at = bytes.find("data");
        ASSERT_NE(at, std::string::npos);
        std::memcpy(size, bytes.data() + at + 4, 4);
        *offset = at + 8;
    }

    CScratchDir dir;
    CWaveFile reader;
};

const std::string kSamples = "\x01\x02\x03\x04\x05\x06\x07\x08";

TEST_F(WaveFileTest, FilesWrittenBySoxGiveTheirFormatBlock) {
    struct Case {
        const char* options;
        uint16_t tag, channels, bits, extra;
        uint32_t rate;
    };
    const Case cases[] = {
        {"-r 22050 -b 8 -c 1 -e unsigned-integer -t wavpcm", kWaveFormatPcm, 1, 8, 0, 22050},
        {"-r 44100 -b 16 -c 2 -t wavpcm", kWaveFormatPcm, 2, 16, 0, 44100},
        {"-r 44100 -b 32 -c 1 -e floating-point", kWaveFormatIeeeFloat, 1, 32, 0, 44100},
        {"-r 44100 -b 24 -c 2", kWaveFormatExtensible, 2, 24, 22, 44100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        std::string bytes;
        ASSERT_EQ(OpenSox(c.options, &bytes), kWaveOk);
        ASSERT_NE(reader.format, nullptr);
        EXPECT_EQ(reader.format->wFormatTag, c.tag);
        EXPECT_EQ(reader.format->nChannels, c.channels);
        EXPECT_EQ(reader.format->nSamplesPerSec, c.rate);
        EXPECT_EQ(reader.format->wBitsPerSample, c.bits);
        EXPECT_EQ(reader.format->nBlockAlign, c.channels * c.bits / 8);
        EXPECT_EQ(reader.format->cbSize, c.extra);
        if (c.extra > 0) {
            // The extra bytes are the ones after cbSize in the "fmt " chunk.
            size_t fmt = bytes.find("fmt ") + 8 + 18;
            EXPECT_EQ(std::memcmp(reinterpret_cast<uint8_t*>(reader.format) + 18,
                                  bytes.data() + fmt, c.extra),
                      0);
        }
        size_t offset;
        uint32_t size;
        FindData(bytes, &offset, &size);
        EXPECT_EQ(reader.dataChunk.cksize, size);
        std::string data(size, '\0');
        uint32_t read = 0;
        EXPECT_EQ(reader.Read(size, reinterpret_cast<uint8_t*>(data.data()), &read), kWaveOk);
        EXPECT_EQ(read, size);
        EXPECT_EQ(data, bytes.substr(offset, size));
        reader.Close();
    }
}

TEST_F(WaveFileTest, ChunkOrderAndOtherChunksDoNotMatter) {
    const std::string fmt = Chunk("fmt ", PcmRecord(1, 1, 8000, 8));
    const std::string data = Chunk("data", kSamples);
    // An odd-sized chunk with its pad byte before "fmt ".
    const std::string list = Chunk("LIST", "INFOISFT\x05\0\0\0abcde");
    for (const std::string& chunks : {list + fmt + data, data + fmt, fmt + list + data}) {
        ASSERT_EQ(OpenBytes(Riff("WAVE", chunks)), kWaveOk);
        EXPECT_EQ(reader.format->nSamplesPerSec, 8000u);
        EXPECT_EQ(reader.dataChunk.cksize, kSamples.size());
        uint8_t got[8] = {};
        uint32_t read = 0;
        EXPECT_EQ(reader.Read(8, got, &read), kWaveOk);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(got), 8), kSamples);
        reader.Close();
    }
}

TEST_F(WaveFileTest, PcmReadsSixteenBytesOtherTagsTheirExtraBytes) {
    // PCM with a longer "fmt ": the rest is skipped and cbSize is 0.
    std::string pcm = Chunk("fmt ", PcmRecord(1, 2, 44100, 16) + Le16(7) + "junkjunk");
    ASSERT_EQ(OpenBytes(Riff("WAVE", pcm + Chunk("data", kSamples))), kWaveOk);
    EXPECT_EQ(reader.format->cbSize, 0);
    EXPECT_EQ(reader.dataChunk.cksize, kSamples.size());
    reader.Close();

    // Another tag with four extra bytes: an 22-byte block.
    std::string other = Chunk("fmt ", PcmRecord(2, 1, 8000, 4) + Le16(4) + "ABCD");
    ASSERT_EQ(OpenBytes(Riff("WAVE", other + Chunk("data", kSamples))), kWaveOk);
    EXPECT_EQ(reader.format->wFormatTag, 2);
    EXPECT_EQ(reader.format->cbSize, 4);
    EXPECT_EQ(std::memcmp(reinterpret_cast<uint8_t*>(reader.format) + 18, "ABCD", 4), 0);
}

TEST_F(WaveFileTest, RefusesWhatIsNotAWaveFile) {
    const std::string fmt = Chunk("fmt ", PcmRecord(1, 1, 8000, 8));
    const std::string data = Chunk("data", kSamples);
    std::string riffx = Riff("WAVE", fmt + data);
    riffx[3] = 'X';
    const std::string files[] = {
        Riff("WAVE", Chunk("fmt ", PcmRecord(1, 1, 8000, 8).substr(0, 14)) + data),
        Riff("AVI ", fmt + data),
        riffx,
        Riff("WAVE", fmt),
        Riff("WAVE", data),
        // Non-PCM whose extra bytes run past the end of the file.
        Riff("WAVE", Chunk("fmt ", 20, PcmRecord(2, 1, 8000, 4) + Le16(0xFFFF))),
        "",
        "RIFF",
    };
    for (const std::string& bytes : files) {
        EXPECT_EQ(OpenBytes(bytes), kWaveFail);
        EXPECT_EQ(reader.file, nullptr);
    }
    EXPECT_EQ(reader.Open(dir.Path("missing.wav").c_str()), kWaveFail);
    EXPECT_EQ(reader.Open(nullptr), kWaveFail);
    // Nothing open: reading fails, closing does nothing.
    uint32_t read = 7;
    uint8_t byte;
    EXPECT_EQ(reader.Read(1, &byte, &read), kWaveFail);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(reader.Close(), 0);
    EXPECT_EQ(reader.Close(), 0);
}

TEST_F(WaveFileTest, ReadCountsDownAndResetStartsOver) {
    const std::string fmt = Chunk("fmt ", PcmRecord(1, 1, 8000, 8));
    ASSERT_EQ(OpenBytes(Riff("WAVE", fmt + Chunk("data", kSamples))), kWaveOk);
    uint8_t got[16] = {};
    uint32_t read = 0;
    EXPECT_EQ(reader.Read(3, got, &read), kWaveOk);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(reader.dataChunk.cksize, 5u);
    // More than remains delivers what remains, then nothing.
    EXPECT_EQ(reader.Read(16, got + 3, &read), kWaveOk);
    EXPECT_EQ(read, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(got), 8), kSamples);
    EXPECT_EQ(reader.Read(16, got, &read), kWaveOk);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(reader.Reset(), kWaveOk);
    EXPECT_EQ(reader.dataChunk.cksize, 8u);
    // The format block outlives Close and goes with the next Open.
    reader.Close();
    ASSERT_NE(reader.format, nullptr);
    EXPECT_EQ(reader.format->nSamplesPerSec, 8000u);
}

TEST_F(WaveFileTest, TruncatedDataFailsAtTheEndOfTheFile) {
    const std::string fmt = Chunk("fmt ", PcmRecord(1, 1, 8000, 8));
    // "data" states 1000 bytes; the file holds 8.
    std::string bytes = Riff("WAVE", fmt + "data" + Le32(1000) + kSamples);
    ASSERT_EQ(OpenBytes(bytes), kWaveOk);
    EXPECT_EQ(reader.dataChunk.cksize, 1000u);
    EXPECT_EQ(reader.BytesLeftInFile(), 8u);
    std::string got(1000, '\xEE');
    uint32_t read = 99;
    EXPECT_EQ(reader.Read(600, reinterpret_cast<uint8_t*>(got.data()), &read), kWaveFail);
    EXPECT_EQ(read, 0u);
    // The size went down by the whole request; the bytes there were copied.
    EXPECT_EQ(reader.dataChunk.cksize, 400u);
    EXPECT_EQ(got.substr(0, 8), kSamples);
    EXPECT_EQ(got[8], '\xEE');
}

TEST_F(WaveFileTest, HostileSizesNeitherOverrunNorHang) {
    const std::string fmt = Chunk("fmt ", PcmRecord(1, 1, 8000, 8));
    // A chunk before "data" that claims to run far past the file.
    EXPECT_EQ(OpenBytes(Riff("WAVE", fmt + "junk" + Le32(0xFFFFFFF0) + "xx")), kWaveFail);
    // A RIFF chunk that claims less than the file: the search stays inside it.
    std::string shortRiff = "RIFF" + Le32(4 + 24) + "WAVE" + fmt + Chunk("data", kSamples);
    EXPECT_EQ(OpenBytes(shortRiff), kWaveFail);
    // A "fmt " chunk whose stated size is huge.
    EXPECT_EQ(OpenBytes(Riff("WAVE", Chunk("fmt ", 0xFFFFFFFF, PcmRecord(1, 1, 8000, 8)))),
              kWaveFail);
}

}  // namespace
