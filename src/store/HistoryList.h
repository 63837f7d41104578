#pragma once
// One history list: the text of its entries joined by ",", as the file holds
// it. It reads like a string (its text is `view()`, and it converts to a
// std::string_view), and it can be changed like one, but two things set it
// apart from a plain std::string:
//
// - Dropping the oldest entry at the cap does not move the whole list: the
//   dropped bytes are only skipped, and the text is moved down once the
//   skipped part has grown to a size worth a move, so a reading appended to a
//   full history costs the entry, not the 2 MB behind it.
// - Every change is counted. The store remembers the count its last
//   compaction left, so that a quick append can tell, without reading the
//   list, that nobody has changed it since.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace nimbrel {

class HistoryList {
public:
    HistoryList() : version_(NextVersion()) {}
    HistoryList(std::string text) : text_(std::move(text)), version_(NextVersion()) {}
    HistoryList(const char* text) : text_(text), version_(NextVersion()) {}
    explicit HistoryList(std::string_view text) : text_(text), version_(NextVersion()) {}
    HistoryList(const HistoryList& other) : text_(other.view()), version_(NextVersion()) {}
    HistoryList(HistoryList&& other) noexcept
        : text_(std::move(other.text_)), start_(other.start_), version_(NextVersion()) {
        other.Reset();
    }
    HistoryList& operator=(const HistoryList& other) {
        if (this != &other) Assign(other.view());
        return *this;
    }
    HistoryList& operator=(HistoryList&& other) noexcept {
        if (this != &other) {
            text_ = std::move(other.text_);
            start_ = other.start_;
            other.Reset();
            Changed();
        }
        return *this;
    }
    HistoryList& operator=(std::string text) {
        text_ = std::move(text);
        start_ = 0;
        Changed();
        return *this;
    }
    HistoryList& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }
    HistoryList& operator=(const char* text) {
        Assign(text);
        return *this;
    }

    // Reading.
    std::string_view view() const noexcept { return {text_.data() + start_, text_.size() - start_}; }
    operator std::string_view() const noexcept { return view(); }
    std::string str() const { return std::string(view()); }
    const char* data() const noexcept { return text_.data() + start_; }
    const char* c_str() const noexcept { return text_.c_str() + start_; }
    size_t size() const noexcept { return text_.size() - start_; }
    size_t length() const noexcept { return size(); }
    bool empty() const noexcept { return size() == 0; }
    char operator[](size_t i) const noexcept { return text_[start_ + i]; }
    char front() const noexcept { return text_[start_]; }
    char back() const noexcept { return text_.back(); }
    size_t find(std::string_view what, size_t from = 0) const noexcept { return view().find(what, from); }
    size_t find(char what, size_t from = 0) const noexcept { return view().find(what, from); }
    size_t rfind(char what, size_t from = std::string_view::npos) const noexcept { return view().rfind(what, from); }
    std::string substr(size_t from, size_t count = std::string_view::npos) const {
        return std::string(view().substr(from, count));
    }

    // Changing.
    void clear() noexcept {
        text_.clear();
        start_ = 0;
        Changed();
    }
    void reserve(size_t n) { text_.reserve(start_ + n); }
    HistoryList& append(std::string_view more) {
        text_.append(more);
        Changed();
        return *this;
    }
    HistoryList& append(size_t count, char c) {
        text_.append(count, c);
        Changed();
        return *this;
    }
    HistoryList& operator+=(std::string_view more) { return append(more); }
    HistoryList& operator+=(const std::string& more) { return append(std::string_view(more)); }
    HistoryList& operator+=(const char* more) { return append(std::string_view(more)); }
    HistoryList& operator+=(char c) { return append(1, c); }
    // Removes `count` bytes from `at` on, as std::string::erase.
    void erase(size_t at, size_t count = std::string_view::npos) {
        if (at == 0 && count != std::string_view::npos && count < size()) {
            DropFront(count);
            return;
        }
        text_.erase(start_ + at, count);
        Changed();
    }
    void resize(size_t n) {
        text_.resize(start_ + n);
        Changed();
    }

    // The first `count` bytes (at most the whole list) are dropped. They are
    // only skipped until they reach kCompactAt, or a sixteenth of the text
    // after them, whichever is more: a move of the rest then happens at most
    // once per that many dropped bytes, and what is skipped stays small
    // beside the list.
    void DropFront(size_t count) {
        if (count >= size()) {
            clear();
            return;
        }
        start_ += count;
        if (start_ >= kCompactAt && start_ >= (text_.size() - start_) / 16) {
            text_.erase(0, start_);
            start_ = 0;
        }
        Changed();
    }

    // A number that changes with every change of the list and is never given
    // to another state of any list.
    uint64_t Version() const noexcept { return version_; }

    friend bool operator==(const HistoryList& a, const HistoryList& b) noexcept { return a.view() == b.view(); }
    friend bool operator==(const HistoryList& a, std::string_view b) noexcept { return a.view() == b; }
    friend bool operator==(const HistoryList& a, const std::string& b) noexcept { return a.view() == b; }
    friend bool operator==(const HistoryList& a, const char* b) noexcept { return a.view() == b; }
    friend std::ostream& operator<<(std::ostream& out, const HistoryList& list) { return out << list.view(); }

    static constexpr size_t kCompactAt = 64 * 1024;

private:
    static uint64_t NextVersion() noexcept {
        static std::atomic<uint64_t> next{1};
        return next.fetch_add(1, std::memory_order_relaxed);
    }
    void Changed() noexcept { version_ = NextVersion(); }
    void Assign(std::string_view text) {
        text_.assign(text);
        start_ = 0;
        Changed();
    }
    void Reset() noexcept {
        text_.clear();
        start_ = 0;
        Changed();
    }

    std::string text_;
    size_t start_ = 0;  // the skipped bytes of dropped entries at the front of text_
    uint64_t version_;
};

}  // namespace nimbrel
