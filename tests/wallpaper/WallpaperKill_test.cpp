// The program killed while it writes the wallpaper bitmap, and while it writes
// its stored list of pictures (at the end of this file). A child process runs
// the program and changes the wallpaper again and again, alternating a JPEG entry
// (converted band by band) and a BMP entry (written whole); the test kills it
// with SIGKILL at random moments. Whatever the moment, the bitmap the shell is
// given must be a whole picture, the one before or the one after, never a part,
// and the program started again must change the wallpaper as before.
//
// The moments are seeded (VELANT_KILL_SEED, default 13) delays after the child
// starts writing, spread over two rounds of changes as timed on this machine:
// the sequence of delays repeats, the exact byte a kill lands on cannot.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "JpegEncoder.h"
#include "app/MainForm.h"
#include "platform/RegKey.h"
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
        form = std::make_unique<TMainForm>(p, app);
        form->Loaded();
        form->wallpaperPage.wallpaperList.SetItems(kEntries);
    }
    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::unique_ptr<TMainForm> form;
};

// Runs `step` `changes` times (0: until killed), after telling the parent it
// has started. The program was started in the parent before the fork, which
// saves each child the start.
[[noreturn]] void RunChild(const std::function<void()>& step, int ready, int changes) {
    alarm(60);  // never outlives a test that lost track of it
    try {
        const char started = 1;
        if (write(ready, &started, 1) != 1) _exit(2);
        for (int n = 0; changes == 0 || n < changes; ++n) step();
        _exit(0);
    } catch (...) {
        _exit(3);
    }
}

// A child running `step`, started and past its start; -1 when it failed.
pid_t StartChild(const std::function<void()>& step, int changes) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        RunChild(step, pipeEnds[1], changes);
    }
    close(pipeEnds[1]);
    char started = 0;
    const bool ready = child > 0 && read(pipeEnds[0], &started, 1) == 1;
    close(pipeEnds[0]);
    return ready ? child : -1;
}

pid_t StartChild(TProgram& writer, int changes) {
    return StartChild([&writer] { writer.form->rotation.ChangeWallpaper(); }, changes);
}

// How long, in nanoseconds, a child takes for two steps: the kills are spread over them.
void TimeTwoSteps(const std::function<void()>& step, long long& ns) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t timed = StartChild(step, 2);
    ASSERT_GT(timed, 0);
    int status = 0;
    ASSERT_EQ(waitpid(timed, &status, 0), timed);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ns = std::chrono::nanoseconds(std::chrono::steady_clock::now() - start).count();
}

// Kills the child after `ns` nanoseconds; false when it ended on its own first.
bool KillAfter(pid_t child, long long ns) {
    const timespec wait{static_cast<std::time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    nanosleep(&wait, nullptr);
    kill(child, SIGKILL);
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
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
    writer.form->rotation.ChangeWallpaper();
    writer.form->rotation.ChangeWallpaper();
    ASSERT_EQ(Bytes(bitmapFile), plain);

    long long twoChanges = 0;
    ASSERT_NO_FATAL_FAILURE(TimeTwoSteps([&writer] { writer.form->rotation.ChangeWallpaper(); }, twoChanges));
    ASSERT_EQ(Bytes(bitmapFile), plain);
    std::vector<std::string> folder = host.Kernel().ListFolder(kWallpaperFolder);
    const std::set<std::string> before(folder.begin(), folder.end());

    std::mt19937 random(Seed());
    std::uniform_int_distribution<long long> delay(0, twoChanges);
    int photos = 0, plains = 0, partialTemporaries = 0;
    for (int attempt = 0; attempt < 200; ++attempt) {
        SCOPED_TRACE("kill " + std::to_string(attempt));
        const pid_t child = StartChild(writer, 0);
        ASSERT_GT(child, 0) << "the child failed before writing";
        ASSERT_TRUE(KillAfter(child, delay(random))) << "the child ended on its own";

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
        again.form->wallpaperPage.wallpaperList.SetItemIndex(0);
        again.form->rotation.ChangeWallpaper();
        ASSERT_EQ(Bytes(bitmapFile), plain);
        EXPECT_TRUE(again.win.Dialogs().MessageBoxes().empty());
        EXPECT_FALSE(host.Kernel().Exists(temp));
    }
    std::printf(
        "200 kills (seed %u): the photo left %d times, the plain picture %d times, "
        "a temporary file beside it %d times\n",
        Seed(), photos, plains, partialTemporaries);
}

// The registry as the killed process left it. Each change the program makes
// reaches the registry whole or not at all, so every change that succeeds is
// appended to a file in one write; the parent replays the file over its own
// copy of the registry from before the fork.
class TRecordedRegistry : public plat::IRegistry {
public:
    explicit TRecordedRegistry(sim::SimRegistry& registry) : FReg(registry) {}
    int Fd = -1;  // where the changes go; -1: nowhere

    long RegCreateKeyEx(plat::Hkey root, const std::string& subKey, std::uint32_t access,
                        plat::Hkey& result) override {
        const long rc = FReg.RegCreateKeyEx(root, subKey, access, result);
        if (rc == 0) Opened(root, subKey, result, 'K');
        return rc;
    }
    long RegOpenKeyEx(plat::Hkey root, const std::string& subKey, std::uint32_t access,
                      plat::Hkey& result) override {
        const long rc = FReg.RegOpenKeyEx(root, subKey, access, result);
        if (rc == 0) Opened(root, subKey, result, 0);
        return rc;
    }
    long RegCloseKey(plat::Hkey key) override { return FReg.RegCloseKey(key); }
    long RegSetValueEx(plat::Hkey key, const std::string& name, std::uint32_t type,
                       const std::vector<std::uint8_t>& data) override {
        const long rc = FReg.RegSetValueEx(key, name, type, data);
        if (rc == 0) Record('S', key, "", name, type, data);
        return rc;
    }
    long RegQueryValueEx(plat::Hkey key, const std::string& name, std::uint32_t& type,
                         std::vector<std::uint8_t>& data) override {
        return FReg.RegQueryValueEx(key, name, type, data);
    }
    long RegQueryValueExBuffer(plat::Hkey key, const std::string& name, std::uint32_t& type,
                               std::uint8_t* data, std::uint32_t& size) override {
        return FReg.RegQueryValueExBuffer(key, name, type, data, size);
    }
    long RegDeleteValue(plat::Hkey key, const std::string& name) override {
        const long rc = FReg.RegDeleteValue(key, name);
        if (rc == 0) Record('V', key, "", name, 0, {});
        return rc;
    }
    long RegDeleteKey(plat::Hkey key, const std::string& subKey) override {
        const long rc = FReg.RegDeleteKey(key, subKey);
        if (rc == 0) Record('D', key, subKey, "", 0, {});
        return rc;
    }
    long RegEnumKey(plat::Hkey key, std::uint32_t index, std::string& name) override {
        return FReg.RegEnumKey(key, index, name);
    }
    long RegEnumValue(plat::Hkey key, std::uint32_t index, std::string& name) override {
        return FReg.RegEnumValue(key, index, name);
    }
    long RegQueryInfoKey(plat::Hkey key, std::uint32_t& values) override {
        return FReg.RegQueryInfoKey(key, values);
    }

    // Applies the whole records of the file to `registry` (HKEY_CURRENT_USER only).
    static void Replay(const std::string& file, sim::SimRegistry& registry) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::size_t at = 0;
        std::map<std::string, plat::RegKey> keys;  // open while no key is deleted
        auto text = [&](std::size_t& pos) {
            std::uint32_t n = 0;
            std::memcpy(&n, bytes.data() + pos, 4);
            pos += 4;
            std::string t = bytes.substr(pos, n);
            pos += n;
            return t;
        };
        while (at + 4 <= bytes.size()) {
            std::uint32_t size = 0;
            std::memcpy(&size, bytes.data() + at, 4);
            if (at + 4 + size > bytes.size()) break;  // the write the kill cut short never happened
            std::size_t pos = at + 5;
            const char op = bytes[at + 4];
            const std::string path = text(pos), name = text(pos);
            std::uint32_t type = 0;
            std::memcpy(&type, bytes.data() + pos, 4);
            pos += 4;
            const std::string data = text(pos);
            if (op == 'D') {
                keys.clear();
                registry.RemoveKey(plat::HKEY_CURRENT_USER, path);
            } else {
                auto [key, added] = keys.try_emplace(path);
                if (added)
                    key->second =
                        plat::RegKey::Create(registry, plat::HKEY_CURRENT_USER, path, plat::KEY_ALL_ACCESS);
                if (op == 'S')
                    registry.RegSetValueEx(key->second.Get(), name, type,
                                           std::vector<std::uint8_t>(data.begin(), data.end()));
                if (op == 'V') key->second.DeleteValue(name);
            }
            at += 4 + size;
        }
    }

private:
    std::string PathOf(plat::Hkey key) const {
        auto it = FPaths.find(key);
        return it == FPaths.end() ? std::string() : it->second;
    }
    void Opened(plat::Hkey root, const std::string& subKey, plat::Hkey result, char op) {
        FPaths[result] = PathOf(root).empty() ? subKey : PathOf(root) + "\\" + subKey;
        if (op) Record(op, result, "", "", 0, {});
    }
    void Record(char op, plat::Hkey key, const std::string& subKey, const std::string& name,
                std::uint32_t type, const std::vector<std::uint8_t>& data) {
        if (Fd < 0) return;
        std::string path = PathOf(key);
        if (!subKey.empty()) path = path.empty() ? subKey : path + "\\" + subKey;
        std::string body(1, op);
        auto add = [&body](const void* p, std::size_t n) { body.append(static_cast<const char*>(p), n); };
        auto addText = [&](const std::string& t) {
            const auto n = static_cast<std::uint32_t>(t.size());
            add(&n, 4);
            body += t;
        };
        addText(path);
        addText(name);
        add(&type, 4);
        addText(std::string(data.begin(), data.end()));
        const auto size = static_cast<std::uint32_t>(body.size());
        std::string record(reinterpret_cast<const char*>(&size), 4);
        record += body;
        if (write(Fd, record.data(), record.size()) != static_cast<ssize_t>(record.size())) _exit(4);
    }

    sim::SimRegistry& FReg;
    std::map<plat::Hkey, std::string> FPaths;
};

// 50,000 pictures: writing them takes long enough for kills to land anywhere in it.
std::vector<std::string> ManyPictures(const std::string& folder, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) paths.push_back(folder + "\\photo" + std::to_string(i) + ".jpg");
    return paths;
}

// The program killed while it writes its stored list of 50,000 pictures, after a
// scan replaced it, from the old list to the new and back: whatever the moment,
// the next start reads one of the two whole, never a shorter list.
TEST(StoredListKilled, TheNextStartReadsTheOldOrTheNewListWhole) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Minutes of forked copies of a big process; the writes themselves are
    // checked under the sanitizers by the settings store's own tests.
    GTEST_SKIP() << "too slow under a sanitizer";
#endif
    const std::vector<std::string> lists[] = {ManyPictures("C:\\old", 50000), ManyPictures("C:\\new", 30000)};
    sim::SimWindows host;
    host.CallJournal().SetRecording(false);
    TRecordedRegistry recorded(host.Registry());
    plat::Platform p{host.User(),       recorded,     host.Shell(),   host.Kernel(),
                     host.Multimedia(), host.Power(), host.Dialogs(), host.Imaging()};
    TApplication app{p.user, p.dialogs};
    app.Title = "Velant! Pro 2001";
    auto writer = std::make_unique<TMainForm>(p, app);
    writer->Loaded();
    writer->wallpaperPage.wallpaperList.SetItems(lists[0]);
    const std::string log = (host.Root() / "registry.log").string();
    int turn = 0;
    auto step = [&] {
        if (recorded.Fd < 0) recorded.Fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
        writer->wallpaperPage.wallpaperList.SetItems(lists[++turn % 2]);
    };

    long long twoWrites = 0;
    ASSERT_NO_FATAL_FAILURE(TimeTwoSteps(step, twoWrites));
    int status = 0;

    std::mt19937 random(Seed());
    std::uniform_int_distribution<long long> delay(0, twoWrites);
    int olds = 0, news = 0;
    for (int attempt = 0; attempt < 200; ++attempt) {
        SCOPED_TRACE("kill " + std::to_string(attempt));
        const pid_t child = StartChild(step, 0);
        ASSERT_GT(child, 0) << "the child failed before writing";
        ASSERT_TRUE(KillAfter(child, delay(random))) << "the child ended on its own";

        // The next start, over the registry as the child left it, in a process of its own
        // so that this one keeps the registry from before the fork.
        const pid_t next = fork();
        if (next == 0) {
            alarm(60);
            TRecordedRegistry::Replay(log, host.Registry());
            plat::Platform plain = host.platform();
            TMainForm again(plain, app);
            again.Loaded();
            const auto& items = again.wallpaperPage.wallpaperList.Items();
            _exit(items == lists[0] ? 10 : items == lists[1] ? 11 : static_cast<int>(items.size() % 10));
        }
        ASSERT_EQ(waitpid(next, &status, 0), next);
        ASSERT_TRUE(WIFEXITED(status) && (WEXITSTATUS(status) == 10 || WEXITSTATUS(status) == 11))
            << "the next start read another list (" << status << ")";
        (WEXITSTATUS(status) == 10 ? olds : news)++;
    }
    std::printf("200 kills (seed %u): the old list read %d times, the new list %d times\n", Seed(), olds,
                news);
}

}  // namespace
