#include "snmp/ip_range.h"

#include "app/interaction.h"
#include "app/main_frame.h"
#include "app/sorpex_app.h"
#include "snmp/ip_range_dialog.h"
#include "snmp/ip_range_walk.h"

namespace sorpex {

IpRangeAcquisition::IpRangeAcquisition(CSORPEXApp& app) : m_app(app) {}

void IpRangeAcquisition::run() {
    AddressRange range;
    {
        // One dialog for the loop: after a refusal it opens again with what was entered.
        IpRange dialog(m_app.mainFrame());
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
            m_app.interaction().showMessage(refusal, MessageIcon::Stop, MessageButtons::Ok);
        }
    }
    m_lastStart = range.start;
    m_lastEnd = range.end;
    acquireRange(m_app.table(), range, m_app.runState(), m_app.interaction(), [this] { m_app.runAcquisition(); });
    m_app.refreshList();
}

} // namespace sorpex
