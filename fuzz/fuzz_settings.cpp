// Stores arbitrary values under the program's keys, then starts the program over
// them (which restores the settings), saves, starts it again over what it saved
// and saves once more: the second save must leave the program's keys exactly as
// the first did, whatever was stored before.
//
// The input is a run of records, each
//   byte    the key: the store, the list key, the mirror key, the list export,
//           or the key above them all
//   byte    the value name: below 0xE0 one of the names the program writes (and
//           "Count", "Item0".."Item11", "Item01"); otherwise a name of its own,
//           a length byte and that many bytes
//   byte    the type, folded into REG_NONE..REG_QWORD, or 0xFF for a type no
//           system defines (0x1234)
//   byte    the length of the data (0xFF: two more bytes give it, up to 64 KiB)
//   bytes   the data
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/MainForm.h"
#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

constexpr plat::Hkey HKCU = plat::HKEY_CURRENT_USER;
const std::string kBase = "Software\\Corvane";
const std::string kKeys[] = {kBase + "\\Velant! Pro 2001", kBase + "\\Velant! Pro 2001.WallList_Items",
                             kBase + "\\Velant! Pro 2001\\Main", kBase + "\\Velant! Pro 2001\\WallList",
                             kBase};
constexpr std::size_t kMaxRecords = 200;

// Every key below `path` with its values in order: path → [(name, type, bytes)].
using Snapshot =
    std::map<std::string, std::vector<std::tuple<std::string, std::uint32_t, std::vector<std::uint8_t>>>>;

void Collect(const sim::SimRegistry& reg, const std::string& path, Snapshot& out) {
    auto& values = out[path];
    for (const std::string& name : reg.ValueNames(HKCU, path)) {
        auto v = reg.Get(HKCU, path, name);
        values.emplace_back(name, v->type, v->bytes);
    }
    for (const std::string& sub : reg.SubKeyNames(HKCU, path)) Collect(reg, path + "\\" + sub, out);
}

Snapshot ProgramKeys(const sim::SimRegistry& reg) {
    Snapshot s;
    if (reg.HasKey(HKCU, kBase)) Collect(reg, kBase, s);
    return s;
}

// The program as main() builds it, over one simulated Windows.
struct Program {
    explicit Program(sim::SimWindows& win) : p(win.platform()), app(p.user, p.dialogs) {
        app.Title = "Velant! Pro 2001";
    }
    void Start() {
        form = std::make_unique<TMainForm>(p, app);
        form->Loaded();
    }
    plat::Platform p;
    TApplication app;
    std::unique_ptr<TMainForm> form;
};

// The value names a first run writes, and the list's names around them.
const std::vector<std::string>& KnownNames() {
    static const std::vector<std::string> names = [] {
        sim::SimWindows win;
        win.CallJournal().SetRecording(false);
        Program program(win);
        program.Start();
        program.form->settingsStore.SaveStoredSettings();
        std::vector<std::string> out;
        for (const auto& [path, values] : ProgramKeys(win.Registry()))
            for (const auto& value : values) out.push_back(std::get<0>(value));
        out.push_back("Count");
        for (int i = 0; i < 12; ++i) out.push_back("Item" + std::to_string(i));
        out.push_back("Item01");
        out.push_back("");  // the key's default value
        return out;
    }();
    return names;
}

// Fuzzed names and data hold any byte: those that would garble a log line show as dots.
template <class Bytes>
std::string Printable(const Bytes& bytes) {
    std::string text;
    for (auto c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        text += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';
    }
    return text;
}

std::string Describe(const std::tuple<std::string, std::uint32_t, std::vector<std::uint8_t>>& value) {
    const auto& [name, type, bytes] = value;
    return "\"" + Printable(name) + "\" type " + std::to_string(type) + " \"" + Printable(bytes) + "\"";
}

// Says where the two saves part, so that a failure found on another machine can
// be understood from its log alone.
void ReportDifference(const Snapshot& first, const Snapshot& second) {
    for (const Snapshot* side : {&first, &second})
        for (const auto& [path, values] : *side) {
            const Snapshot& other = side == &first ? second : first;
            auto it = other.find(path);
            if (it == other.end()) {
                std::fprintf(stderr, "key %s only after the %s save\n", Printable(path).c_str(),
                             side == &first ? "first" : "second");
                continue;
            }
            if (side == &second) continue;
            const auto& theirs = it->second;
            for (std::size_t i = 0; i < std::max(values.size(), theirs.size()); ++i) {
                if (i < values.size() && i < theirs.size() && values[i] == theirs[i]) continue;
                std::fprintf(stderr, "key %s, value %zu: first save %s, second save %s\n",
                             Printable(path).c_str(), i,
                             i < values.size() ? Describe(values[i]).c_str() : "(none)",
                             i < theirs.size() ? Describe(theirs[i]).c_str() : "(none)");
                break;
            }
        }
}

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::vector<std::uint8_t> Bytes(std::size_t n) {
        n = std::min(n, size_ - std::min(at_, size_));
        std::vector<std::uint8_t> out(data_ + at_, data_ + at_ + n);
        at_ += n;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& names = KnownNames();
    sim::SimWindows win;
    win.CallJournal().SetRecording(false);
    Input in(data, size);
    for (std::size_t n = 0; n < kMaxRecords && !in.Empty(); ++n) {
        const std::string& key = kKeys[in.Byte() % std::size(kKeys)];
        const std::uint8_t pick = in.Byte();
        std::string name;
        if (pick < 0xE0) {
            name = names[pick % names.size()];
        } else {
            const auto raw = in.Bytes(in.Byte() % 40);
            name.assign(raw.begin(), raw.end());
        }
        const std::uint8_t t = in.Byte();
        const std::uint32_t type = t == 0xFF ? 0x1234u : t % 12u;  // up to REG_QWORD (11)
        std::size_t length = in.Byte();
        if (length == 0xFF) length = static_cast<std::size_t>(in.Byte()) << 8 | in.Byte();
        win.Registry().Set(HKCU, key, name, type, in.Bytes(length));
    }

    Snapshot first;
    {
        Program program(win);
        program.Start();
        program.form->settingsStore.SaveStoredSettings();
        first = ProgramKeys(win.Registry());
    }
    Program program(win);
    program.Start();
    program.form->settingsStore.SaveStoredSettings();
    const Snapshot second = ProgramKeys(win.Registry());
    if (second != first) {
        ReportDifference(first, second);
        __builtin_trap();
    }
    return 0;
}
