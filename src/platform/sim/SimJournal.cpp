#include "platform/sim/SimJournal.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace sim {

void SimJournal::Add(std::string entry) {
    if (!Recording()) return;
    std::lock_guard lock(mu_);
    entries_.push_back(std::move(entry));
}

std::vector<std::string> SimJournal::Entries() const {
    std::lock_guard lock(mu_);
    return entries_;
}

void SimJournal::Clear() {
    std::lock_guard lock(mu_);
    entries_ = {};  // the memory too, so a long run that clears it stays flat
}

std::size_t SimJournal::Count(const std::string& prefix) const {
    std::lock_guard lock(mu_);
    return static_cast<std::size_t>(
        std::count_if(entries_.begin(), entries_.end(),
                      [&](const std::string& e) { return e.compare(0, prefix.size(), prefix) == 0; }));
}

bool SimJournal::Contains(const std::string& entry) const {
    std::lock_guard lock(mu_);
    return std::find(entries_.begin(), entries_.end(), entry) != entries_.end();
}

std::vector<std::string> SimJournal::Matching(const std::string& prefix) const {
    std::lock_guard lock(mu_);
    std::vector<std::string> out;
    for (const auto& e : entries_)
        if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
    return out;
}

std::string SimJournal::Last() const {
    std::lock_guard lock(mu_);
    return entries_.empty() ? std::string() : entries_.back();
}

void SimJournal::FailNext(const std::string& operation, long code, int times) {
    std::lock_guard lock(mu_);
    auto& f = failures_[operation];
    anyFailure_.store(true, std::memory_order_release);
    f.pending += times;
    f.code = code;
}

void SimJournal::SetFailing(const std::string& operation, bool on, long code) {
    std::lock_guard lock(mu_);
    auto& f = failures_[operation];
    anyFailure_.store(true, std::memory_order_release);
    f.always = on;
    f.code = code;
}

std::optional<long> SimJournal::PendingFailure(std::string_view operation) {
    std::lock_guard lock(mu_);
    auto it = failures_.find(operation);
    if (it == failures_.end()) return std::nullopt;
    if (it->second.always) return it->second.code;
    if (it->second.pending > 0) {
        --it->second.pending;
        return it->second.code;
    }
    return std::nullopt;
}

namespace fmt {

std::string Bytes(const std::uint8_t* data, std::size_t size) {
    std::string out = "\"";
    for (std::size_t i = 0; i < size; ++i) {
        unsigned char c = data[i];
        switch (c) {
            case 0:
                out += "\\0";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02X", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string Quote(const std::string& text) {
    return Bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::string Quote(const char* text) { return text ? Quote(std::string(text)) : "null"; }

std::string Hex(std::uint64_t value, int digits) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return buf;
}

std::string Msg(std::uint32_t msg) { return Hex(msg, 4); }
std::string Vk(std::uint32_t vk) { return Hex(vk, 2); }
std::string Color(std::uint32_t color) { return Hex(color, 6); }
std::string Handle(plat::Handle handle) { return std::to_string(static_cast<std::intptr_t>(handle.Value())); }
std::string Ptr(const void* p) { return p ? "ptr" : "null"; }

}  // namespace fmt

std::string Lower(const std::string& text) {
    std::string out = text;
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool IEquals(const std::string& a, const std::string& b) {
    return a.size() == b.size() && Lower(a) == Lower(b);
}

}  // namespace sim
