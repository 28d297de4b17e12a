// The program killed while it writes the wallpaper bitmap. A child process runs
// the program and changes the wallpaper again and again, alternating a JPEG entry
// (converted band by band) and a BMP entry (written whole); the test kills it
// with SIGKILL at random moments. Whatever the moment, the bitmap the shell is
// given must be a whole picture, the one before or the one after, never a part,
// and the program started again must change the wallpaper as before.
//
// The moments are seeded (VELANT_KILL_SEED, default 13) delays after the child
// starts writing, spread over two rounds of changes as timed on this machine:
// the sequence of delays repeats, the exact byte a kill lands on cannot.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "JpegEncoder.h"
#include "app/QuorvFrm.h"
#include "platform/sim/SimWindows.h"
#include "wallpaper/Jpeg.h"
#include "wallpaper/Masks.h"
#include "wallpaper/Picture.h"
#include "wallpaper/SafeFile.h"

namespace {

namespace fs = std::filesystem;

// The user's own folder, where the program keeps the one bitmap it hands the shell.
const std::string kWallpaperFolder =
    "C:\\Documents and Settings\\User\\Local Settings\\Application Data\\Velant! Pro 2001";
const std::string kWallpaper = kWallpaperFolder + "\\Velant! Pro 2001 wallpaper.bmp";
const std::vector<std::string> kEntries = {"C:\\pics\\photo.jpg", "C:\\pics\\plain.bmp"};

// The program as the user starts it over the files under root, with the two
// entries in its wallpaper list.
struct TProgram {
    explicit TProgram(const fs::path& root) : win(root) {
        win.CallJournal().SetRecording(false);
        app.Title = "Velant! Pro 2001";
        form = std::make_unique<TQuorvForm>(p, app);
        form->Loaded();
        form->WallList.SetItems(kEntries);
    }
    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::unique_ptr<TQuorvForm> form;
};

// Changes the wallpaper `changes` times (0: until killed), after telling the
// parent it has started. The program was started in the parent before the
// fork, which saves each child the start.
[[noreturn]] void RunChild(TProgram& program, int ready, int changes) {
    alarm(60);  // never outlives a test that lost track of it
    try {
        const char started = 1;
        if (write(ready, &started, 1) != 1) _exit(2);
        for (int n = 0; changes == 0 || n < changes; ++n) program.form->ChangeWallpaper();
        _exit(0);
    } catch (...) {
        _exit(3);
    }
}

// A child of the writer, started and past its start; -1 when it failed.
pid_t StartChild(TProgram& writer, int changes) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        RunChild(writer, pipeEnds[1], changes);
    }
    close(pipeEnds[1]);
    char started = 0;
    const bool ready = child > 0 && read(pipeEnds[0], &started, 1) == 1;
    close(pipeEnds[0]);
    return ready ? child : -1;
}

// The file's bytes read in one go (the test helper's byte-wise read would
// dominate the run); nullopt when it does not exist.
std::optional<std::vector<std::uint8_t>> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> data(fs::file_size(path));
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return data;
}

unsigned Seed() {
    const char* text = std::getenv("VELANT_KILL_SEED");
    return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : 13u;
}

TEST(WallpaperBitmapKilled, AlwaysAWholePictureAndTheProgramWorksAgain) {
    sim::SimWindows host;
    wptest::JpegOptions o;
    o.width = 999;  // 1.2 MB of rows: more than one band
    o.height = 400;
    const auto jpeg = wptest::EncodeJpeg(
        o, [](int x, int y, int c) { return static_cast<std::uint8_t>(x * 7 + y * 13 + c * 50 + (x ^ y)); });
    TBitmap plainPicture(400, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            plainPicture.SetPixel(x, y, static_cast<plat::ColorRef>(x * 5 + y * 977));
    host.Kernel().WriteBytes(kEntries[0], jpeg);
    host.Kernel().WriteBytes(kEntries[1], EncodeBmp(plainPicture));
    const std::vector<std::uint8_t> photo = DecodeJpegToBmpFile(jpeg), plain = EncodeBmp(plainPicture);
    const std::string temp = TemporaryNameBeside(kWallpaper);
    const fs::path bitmapFile = *host.Kernel().HostPath(kWallpaper);
    const auto masks = ParseMaskList("*.bmp, *.jpg");
    ASSERT_NE(photo.size(), plain.size());

    // The first start, and the writing program: each child runs a copy of it from where it
    // stands here, its first change writing the photo over the plain picture.
    TProgram writer(host.Root());
    writer.form->ChangeWallpaper();
    writer.form->ChangeWallpaper();
    ASSERT_EQ(Bytes(bitmapFile), plain);

    // How long a child takes for its first two changes, which spreads the kills over them.
    const auto start = std::chrono::steady_clock::now();
    const pid_t timed = StartChild(writer, 2);
    ASSERT_GT(timed, 0);
    int status = 0;
    ASSERT_EQ(waitpid(timed, &status, 0), timed);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const auto twoChanges = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(Bytes(bitmapFile), plain);
    std::vector<std::string> folder = host.Kernel().ListFolder(kWallpaperFolder);
    const std::set<std::string> before(folder.begin(), folder.end());

    std::mt19937 random(Seed());
    std::uniform_int_distribution<long long> delay(0, std::chrono::nanoseconds(twoChanges).count());
    int photos = 0, plains = 0, partialTemporaries = 0;
    for (int attempt = 0; attempt < 200; ++attempt) {
        SCOPED_TRACE("kill " + std::to_string(attempt));
        const pid_t child = StartChild(writer, 0);
        ASSERT_GT(child, 0) << "the child failed before writing";
        const long long ns = delay(random);
        const timespec wait{static_cast<std::time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        nanosleep(&wait, nullptr);
        kill(child, SIGKILL);
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the child ended on its own: " << status;

        // The shell's file is a whole picture; a temporary file may be left beside it, under a
        // name no picture mask takes, and nothing else is new in the folder.
        const auto bitmap = Bytes(bitmapFile);
        ASSERT_TRUE(bitmap.has_value());
        ASSERT_TRUE(*bitmap == photo || *bitmap == plain)
            << "a partial bitmap of " << bitmap->size() << " bytes";
        (*bitmap == photo ? photos : plains)++;
        if (host.Kernel().Exists(temp)) ++partialTemporaries;
        for (const std::string& name : host.Kernel().ListFolder(kWallpaperFolder)) {
            if (before.count(name)) continue;
            EXPECT_EQ(kWallpaperFolder + "\\" + name, temp);
            for (const TMask& m : masks) EXPECT_FALSE(m.MatchesName(name)) << name;
        }

        // Started again, the program changes the wallpaper as it always does, whatever the
        // child left: here to the plain picture, the entry after the first.
        TProgram again(host.Root());
        again.form->WallList.SetItemIndex(0);
        again.form->ChangeWallpaper();
        ASSERT_EQ(Bytes(bitmapFile), plain);
        EXPECT_TRUE(again.win.Dialogs().MessageBoxes().empty());
        EXPECT_FALSE(host.Kernel().Exists(temp));
    }
    std::printf(
        "200 kills (seed %u): the photo left %d times, the plain picture %d times, "
        "a temporary file beside it %d times\n",
        Seed(), photos, plains, partialTemporaries);
}

}  // namespace
