#pragma once

#include <cstdint>

namespace sorpex {

class CSORPEXApp;

// IPアドレス範囲取得 (32795): every address of a range is asked; printers that answer stay.
class IpRangeAcquisition {
public:
    explicit IpRangeAcquisition(CSORPEXApp& app);
    void run();

private:
    CSORPEXApp& m_app;
    // The range accepted last, offered again next time; 0 until one is accepted. Not saved.
    std::uint32_t m_lastStart = 0;
    std::uint32_t m_lastEnd = 0;
};

} // namespace sorpex
