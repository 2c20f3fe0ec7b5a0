#pragma once

#include "base/cp932.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace sorpex {

// A NUL-terminated CP932 text in a buffer of N bytes, N counting the NUL, as the record's fields
// are stored. The only way in is set(), which cuts the text to N - 1 bytes without splitting a
// double-byte character, so no copy can run past the field.
template <std::size_t N> class FixedText {
    static_assert(N >= 1);

public:
    static constexpr std::size_t kWidth = N;
    static constexpr std::size_t kMaxLength = N - 1;

    FixedText() = default;

    // Stores the text up to its first NUL, cut to kMaxLength bytes. Gives false when it was cut.
    bool set(std::string_view text) {
        std::size_t nul = text.find('\0');
        if (nul != std::string_view::npos) {
            text = text.substr(0, nul);
        }
        std::string_view kept = cp932::truncate(text, kMaxLength);
        // An empty view may have no data at all, which memcpy must not be given.
        if (!kept.empty()) {
            std::memcpy(m_bytes.data(), kept.data(), kept.size());
        }
        m_bytes[kept.size()] = '\0';
        return kept.size() == text.size();
    }
    void clear() { m_bytes[0] = '\0'; }

    // True when `text` fits whole (without being cut).
    static constexpr bool fits(std::string_view text) { return text.size() <= kMaxLength; }

    std::string_view view() const {
        const void* nul = std::memchr(m_bytes.data(), '\0', N);
        std::size_t length =
            nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - m_bytes.data()) : 0;
        return std::string_view(m_bytes.data(), length);
    }
    std::string str() const { return std::string(view()); }
    const char* c_str() const { return m_bytes.data(); }
    bool empty() const { return m_bytes[0] == '\0'; }

    friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }

private:
    // Value-initialised: a fresh field is all zero, and the last byte is never written but NUL.
    std::array<char, N> m_bytes{};
};

} // namespace sorpex
