// Damaged documents played as programs: each ends with the load message or
// a shown document and a clean exit, never a crash, a hang or a font file
// left behind. Several players run at once to keep the sweep short.
#include "tests/support/mutate.h"
#include "tests/player/playerfixture.h"
#include <atomic>
#include <mutex>
#include <thread>

using namespace playertest;

TEST(Player, HostileDocumentsEndCleanly)
{
    constexpr int PERBASE = 120, THREADS = 4;
    struct Base {
        std::vector<uint8_t> file;
        std::vector<size_t> records;
    } bases[2];
    for (int b = 0; b < 2; b++) {
        std::string path = DocPath("hostilebase.exe");
        ASSERT_EQ(WriteHostileBase(path.c_str(), b == 1), 1);
        bases[b].file = ReadFileBytes(path);
        bases[b].records = DocumentRecords(bases[b].file);
        ASSERT_GT(bases[b].records.size(), 10u);
    }
    int fonts = FontFiles();
    std::atomic<int> next{0}, shown{0}, refused{0};
    std::mutex lock;
    std::vector<std::string> failures;
    auto work = [&](int thread) {
        std::string path = DocPath(("hostile" + std::to_string(thread) + ".exe").c_str());
        for (int i; (i = next++) < 2 * PERBASE;) {
            const Base &base = bases[i % 2];
            std::string what;
            if (!WriteFileBytes(path, MutateDocument(base.file, base.records, (uint32_t)i, &what)))
                continue;
            PLAYOUTCOME out = PlayDocument(path, "", [](HWND, DWORD) { Sleep(50); });
            bool refusedload = out.messages.size() == 1 && out.messages[0] == LOADERROR && !out.shown;
            if (out.ended && out.code == 0 && (out.shown || refusedload)) {
                (out.shown ? shown : refused)++;
                continue;
            }
            char text[200];
            snprintf(text, sizeof text, "#%d %s%s, code %lu", i, what.c_str(), out.ended ? "" : " (killed)",
                     out.code);
            std::lock_guard<std::mutex> g(lock);
            failures.push_back(text);
        }
        DeleteFileA(path.c_str());
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; t++)
        threads.emplace_back(work, t);
    for (std::thread &t : threads)
        t.join();
    for (const std::string &f : failures)
        ADD_FAILURE() << f;
    printf("%d shown, %d refused\n", shown.load(), refused.load());
    EXPECT_EQ(shown + refused, 2 * PERBASE);
    EXPECT_GT(shown, 0);
    EXPECT_GT(refused, 0);
    EXPECT_EQ(FontFiles(), fonts);
}

// Every field of a wave's format and of a MIDI file's header, at values that
// break it, as the document's background sound: the player starts, answers
// a replay of the sound at once, closes with code 0 and leaves no MIDI file.
TEST(Player, DamagedSoundsNeitherEndNorHoldTheShow)
{
    struct Row {
        std::string name;
        uint32_t tag;
        std::vector<uint8_t> data;
    };
    std::vector<Row> rows;
    auto put = [](std::vector<uint8_t> &v, size_t at, uint32_t x, int n, bool bigendian) {
        for (int i = 0; i < n; i++)
            v[at + i] = (uint8_t)(x >> (8 * (bigendian ? n - 1 - i : i)));
    };
    const struct {
        const char *field;
        size_t at;
        int size;
        std::vector<uint32_t> values;
    } wavefields[] = {
        {"format tag", 0, 2, {0, 2, 0xFFFE}},
        {"channels", 2, 2, {0, 9, 255, 32768, 65534}},
        {"rate", 4, 4, {0, 999, 384001, 0xFFFFFFFF}},
        {"bytes a second", 8, 4, {0, 0xFFFFFFFF}},
        {"frame size", 12, 2, {0, 3, 65535}},
        {"bits", 14, 2, {0, 12, 64, 65535}},
    },
      midifields[] = {
          {"chunk name", 0, 4, {0x4D546865}},
          {"header length", 4, 4, {0, 0x40000000}},
          {"format", 8, 2, {3, 0xFFFF}},
          {"tracks", 10, 2, {0, 2, 0xFFFF}},
          {"division", 12, 2, {0, 0x8000, 0xFFFF}},
          {"track name", 14, 4, {0x4D54726C}},
          {"track length", 18, 4, {0, 0x40000000, 0xFFFFFFFF}},
      };
    rows.push_back({"a sound wave", TAG_WAVE, SampleWave()});
    rows.push_back({"sound music", TAG_MIDI, SampleMidi()});
    for (const auto &f : wavefields)
        for (uint32_t v : f.values) {
            Row r{std::string("wave ") + f.field + " " + std::to_string(v), TAG_WAVE, SampleWave()};
            put(r.data, f.at, v, f.size, false);
            rows.push_back(r);
        }
    for (const auto &f : midifields)
        for (uint32_t v : f.values) {
            Row r{std::string("MIDI ") + f.field + " " + std::to_string(v), TAG_MIDI, SampleMidi()};
            put(r.data, f.at, v, f.size, true);
            rows.push_back(r);
        }

    auto midifiles = [] { return TempFiles("MID*.tmp"); };
    const int before = midifiles();
    constexpr int THREADS = 4;
    // The platform's sequencer held a damaged file for more than 5 s; a sound
    // the player keeps from it is answered within a tenth of a second even
    // with every core busy, so the bound leaves room for a far slower machine.
    constexpr UINT ANSWER = 2000;
    std::atomic<size_t> next{0};
    std::mutex lock;
    std::vector<std::string> failures;
    auto work = [&] {
        for (size_t i; (i = next++) < rows.size();) {
            const Row &row = rows[i];
            const std::string path = DocPath(("sound" + std::to_string(i) + ".exe").c_str());
            bool answered = false;
            PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD) {
                DWORD_PTR result;
                answered = SendMessageTimeoutA(show, QVM_REPLAYSOUND, 0, 0, SMTO_ABORTIFHUNG, ANSWER, &result) != 0;
            });
            if (out.ended && out.code == 0 && out.shown && answered)
                continue;
            char text[200];
            snprintf(text, sizeof text, "%s:%s%s%s code %lu", row.name.c_str(), out.shown ? "" : " not shown,",
                     answered ? "" : " no answer in time,", out.ended ? "" : " killed,", out.code);
            std::lock_guard<std::mutex> g(lock);
            failures.push_back(text);
        }
    };
    // The documents are made here: their windows belong to this thread.
    for (size_t i = 0; i < rows.size(); i++) {
        SAMPLEDOC doc("Sound", 200, 100, RGB(20, 20, 20));
        doc.Add(doc.header, rows[i].tag, RECT{0, 0, 0, 0}, nullptr, rows[i].data);
        doc.Page("One", RGB(40, 40, 40));
        ASSERT_TRUE(doc.Save(DocPath(("sound" + std::to_string(i) + ".exe").c_str()).c_str())) << rows[i].name;
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; t++)
        threads.emplace_back(work);
    for (std::thread &t : threads)
        t.join();
    for (const std::string &f : failures)
        ADD_FAILURE() << f;
    for (size_t i = 0; i < rows.size(); i++)
        DeleteFileA(DocPath(("sound" + std::to_string(i) + ".exe").c_str()).c_str());
    EXPECT_EQ(midifiles(), before) << "a MIDI file left behind";
}
