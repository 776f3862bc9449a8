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
            PLAYOUTCOME out = PlayDocument(path, "", [](HWND, DWORD) { Sleep(50); }, 20000);
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
