#pragma once

#include <cstdint>
#include <functional>

class QWidget;

namespace sorpex {

class PrinterTable;
class UserInteraction;
struct RunState;

// What the range acquisition works on, handed in by the application.
struct RangeContext {
    PrinterTable& table;
    RunState& run;
    UserInteraction& ui;
    QWidget* dialogParent;
    std::function<void()> runAcquisition; // a run over the rows marked for acquisition
    std::function<void()> refreshList;
};

// IPアドレス範囲取得 (32795): every address of a range is asked; printers that answer stay.
class IpRangeAcquisition {
public:
    explicit IpRangeAcquisition(RangeContext context);
    void run();

private:
    RangeContext m_context;
    // The range accepted last, offered again next time; 0 until one is accepted. Not saved.
    std::uint32_t m_lastStart = 0;
    std::uint32_t m_lastEnd = 0;
};

} // namespace sorpex
