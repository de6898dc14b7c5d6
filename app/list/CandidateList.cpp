#include "app/list/CandidateList.h"

#include <algorithm>

#include "app/list/ListBox.h"

CandidateList::~CandidateList()
{
    if (m_listBox && IsWindow(m_listBox)) {
        QF_LISTBOX(m_listBox).Reset();
    }
}

void CandidateList::Attach(HWND listBox, HWND ownWindow)
{
    m_listBox = listBox;
    m_ownWindow = ownWindow;
}

void CandidateList::Clear()
{
    if (m_listBox) {
        QF_LISTBOX(m_listBox).Reset();
    }
    m_order.clear();
    m_records.clear();
}

CandidateRecord* CandidateList::Lookup(HWND window) const
{
    auto match = std::lower_bound(m_records.begin(), m_records.end(), window,
                                  [](const std::unique_ptr<CandidateRecord>& r, HWND w) { return r->window < w; });
    return match != m_records.end() && (*match)->window == window ? match->get() : nullptr;
}

bool CandidateList::Owns(const CandidateRecord* record) const
{
    return std::any_of(m_records.begin(), m_records.end(),
                       [record](const std::unique_ptr<CandidateRecord>& r) { return r.get() == record; });
}

const CandidateRecord* CandidateList::OwnedRecord(ULONG_PTR data) const
{
    const auto* record = reinterpret_cast<const CandidateRecord*>(data);
    return record && Owns(record) ? record : nullptr;
}

CandidateRecord* CandidateList::RecordAt(int index)
{
    if (!m_listBox || index < 0) {
        return nullptr;
    }
    LRESULT data = QF_LISTBOX(m_listBox).ItemData(index);
    if (data == 0 || data == LB_ERR) {
        return nullptr;
    }
    auto* record = reinterpret_cast<CandidateRecord*>(data);
    return Owns(record) ? record : nullptr;
}

CandidateRecord* CandidateList::Selected()
{
    if (!m_listBox) {
        return nullptr;
    }
    return RecordAt(QF_LISTBOX(m_listBox).SelectedIndex());
}

int CandidateList::Count()
{
    return m_listBox ? QF_LISTBOX(m_listBox).Count() : 0;
}
