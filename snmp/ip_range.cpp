#include "snmp/ip_range.h"

#include "base/interaction.h"
#include "snmp/ip_range_dialog.h"
#include "snmp/ip_range_walk.h"

#include <utility>

namespace sorpex {

IpRangeAcquisition::IpRangeAcquisition(RangeContext context) : m_context(std::move(context)) {}

void IpRangeAcquisition::run() {
    AddressRange range;
    {
        // One dialog for the loop: after a refusal it opens again with what was entered.
        IpRange dialog(m_context.dialogParent);
        dialog.setStartAddress(m_lastStart);
        dialog.setEndAddress(m_lastEnd);
        while (true) {
            if (dialog.exec() != QDialog::Accepted) {
                return;
            }
            range = {dialog.startAddress(), dialog.endAddress()};
            std::string refusal = rangeRefusal(range);
            if (refusal.empty()) {
                break;
            }
            m_context.ui.showMessage(refusal, MessageIcon::Stop, MessageButtons::Ok);
        }
    }
    m_lastStart = range.start;
    m_lastEnd = range.end;
    acquireRange(m_context.table, range, m_context.run, m_context.ui, m_context.runAcquisition);
    m_context.refreshList();
}

} // namespace sorpex
