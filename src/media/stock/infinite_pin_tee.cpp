#include "media/stock/infinite_pin_tee.h"

#include "media/core/mem_allocator.h"
#include "media/stock/sample_copy.h"

#include <algorithm>

namespace camtrove::media {

// ---- InfTeeInputPin ----

InfTeeInputPin::InfTeeInputPin(InfinitePinTee* filter, TBCCritSec* lock, HRESULT* result)
    : TBCBaseInputPin(QStringLiteral("Infinite tee input pin"), filter, lock, result,
                      QStringLiteral("Input")),
      m_tee(filter)
{
}

// Any type, as long as every branch already connected can carry it.
HRESULT InfTeeInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    for (InfTeeOutputPin* output : m_tee->ConnectedOutputs())
        if (output->GetConnected()->QueryAccept(type) != S_OK)
            return S_FALSE;
    return S_OK;
}

HRESULT InfTeeInputPin::GetMediaType(int position, AM_MEDIA_TYPE*)
{
    return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT InfTeeInputPin::NotifyAllocator(IMemAllocator* allocator, bool readOnly)
{
    const HRESULT hr = TBCBaseInputPin::NotifyAllocator(allocator, readOnly);
    if (Failed(hr))
        return hr;
    TBCAutoLock lock(m_lock);
    for (InfTeeOutputPin* output : m_tee->ConnectedOutputs()) {
        const HRESULT renewed = output->RenewSharedAllocator(allocator);
        if (Failed(renewed))
            return renewed;
    }
    return S_OK;
}

// A branch that fails or wants no more does not starve the others: upstream hears S_FALSE only
// when no branch wants more, and a failure only when no branch took the sample at all.
HRESULT InfTeeInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    bool wantsMore = false;
    bool taken = false;
    HRESULT firstFailure = S_OK;
    for (InfTeeOutputPin* output : m_tee->ConnectedOutputs()) {
        hr = output->DeliverCopyOrShare(sample);
        if (hr == S_OK)
            wantsMore = true;
        else if (Succeeded(hr))
            taken = true;
        else if (firstFailure == S_OK)
            firstFailure = hr;
    }
    if (taken && !wantsMore)
        return S_FALSE;
    return wantsMore || firstFailure == S_OK ? S_OK : firstFailure;
}

HRESULT InfTeeInputPin::EndOfStream()
{
    for (InfTeeOutputPin* output : m_tee->ConnectedOutputs())
        (void)output->DeliverEndOfStream();
    return S_OK;
}

HRESULT InfTeeInputPin::BeginFlush()
{
    (void)TBCBaseInputPin::BeginFlush();
    for (InfTeeOutputPin* output : m_tee->ConnectedOutputs())
        (void)output->DeliverBeginFlush();
    return S_OK;
}

HRESULT InfTeeInputPin::EndFlush()
{
    for (InfTeeOutputPin* output : m_tee->ConnectedOutputs())
        (void)output->DeliverEndFlush();
    return TBCBaseInputPin::EndFlush();
}

HRESULT InfTeeInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    (void)TBCBaseInputPin::NewSegment(start, stop, rate);
    for (InfTeeOutputPin* output : m_tee->ConnectedOutputs())
        (void)output->DeliverNewSegment(start, stop, rate);
    return S_OK;
}

// ---- InfTeeOutputPin ----

InfTeeOutputPin::InfTeeOutputPin(InfinitePinTee* filter, TBCCritSec* lock, HRESULT* result, int number)
    : TeeOutputPin(QStringLiteral("Infinite tee output pin"), filter, lock, result,
                   QStringLiteral("Output%1").arg(number)),
      m_tee(filter), m_number(number)
{
}

HRESULT InfTeeOutputPin::CompleteConnect(IPin* receivePin)
{
    const HRESULT hr = TBCBaseOutputPin::CompleteConnect(receivePin);
    if (Failed(hr))
        return hr;
    m_tee->KeepOneFreeOutput(nullptr, this);
    return S_OK;
}

const TBCBaseInputPin& InfTeeOutputPin::TeeInput() const
{
    return *m_tee->m_input;
}

HRESULT InfTeeOutputPin::BreakConnect()
{
    const HRESULT hr = TeeOutputPin::BreakConnect();
    if (IsConnected())
        m_tee->KeepOneFreeOutput(this);
    return hr;
}

// ---- InfinitePinTee ----

InfinitePinTee::InfinitePinTee() : TBCBaseFilter(QStringLiteral("Infinite Pin Tee"), &m_lock, CLSID_InfTee)
{
    HRESULT hr = S_OK;
    m_input = std::make_unique<InfTeeInputPin>(this, &m_lock, &hr);
    KeepOneFreeOutput();
}

ComPtr<InfinitePinTee> InfinitePinTee::Create()
{
    return ComPtr<InfinitePinTee>(new InfinitePinTee());
}

int InfinitePinTee::GetPinCount()
{
    TBCAutoLock lock(&m_lock);
    return 1 + static_cast<int>(m_outputs.size());
}

TBCBasePin* InfinitePinTee::GetPin(int index)
{
    TBCAutoLock lock(&m_lock);
    if (index == 0)
        return m_input.get();
    if (index < 1 || index > static_cast<int>(m_outputs.size()))
        return nullptr;
    return m_outputs[static_cast<std::size_t>(index - 1)];
}

std::vector<InfTeeOutputPin*> InfinitePinTee::ConnectedOutputs()
{
    std::vector<InfTeeOutputPin*> connected;
    for (InfTeeOutputPin* output : m_outputs)
        if (output->IsConnected())
            connected.push_back(output);
    return connected;
}

// Connected outputs keep their places; of the free ones only the last stays, so the free output
// is always the last pin.
void InfinitePinTee::KeepOneFreeOutput(InfTeeOutputPin* leaving, InfTeeOutputPin* joining)
{
    TBCAutoLock lock(&m_lock);
    bool rejoined = false;
    if (joining && std::find(m_outputs.begin(), m_outputs.end(), joining) == m_outputs.end()) {
        const auto place = std::find_if(m_outputs.begin(), m_outputs.end(), [joining](InfTeeOutputPin* pin) {
            return pin->Number() > joining->Number();
        });
        m_outputs.insert(place, joining);
        rejoined = true;
    }
    const auto isFree = [leaving](InfTeeOutputPin* pin) { return pin == leaving || !pin->IsConnected(); };
    const std::size_t before = m_outputs.size();
    std::vector<InfTeeOutputPin*> kept;
    for (std::size_t i = 0; i < m_outputs.size(); ++i)
        if (!isFree(m_outputs[i]) || i + 1 == m_outputs.size())
            kept.push_back(m_outputs[i]);
    bool changed = rejoined || kept.size() != before;
    if (kept.empty() || !isFree(kept.back())) {
        HRESULT hr = S_OK;
        auto pin = std::make_unique<InfTeeOutputPin>(this, &m_lock, &hr, m_nextOutputNumber++);
        kept.push_back(pin.get());
        m_allOutputs.push_back(std::move(pin));
        changed = true;
    }
    m_outputs = std::move(kept);
    if (changed)
        IncrementPinVersion();
}

} // namespace camtrove::media
