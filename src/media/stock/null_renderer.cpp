#include "media/stock/null_renderer.h"

#include "media/core/graph_interfaces.h"

namespace camtrove::media {

NullRendererInputPin::NullRendererInputPin(NullRenderer* filter, TBCCritSec* lock, HRESULT* result)
    : TBCBaseInputPin(QStringLiteral("Null renderer input pin"), filter, lock, result, QStringLiteral("In")),
      m_renderer(filter)
{
}

HRESULT NullRendererInputPin::Receive(IMediaSample* sample)
{
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    ++m_renderer->m_rendered;
    return S_OK;
}

// A renderer is where a stream ends, so its end-of-stream is the graph's completion.
HRESULT NullRendererInputPin::EndOfStream()
{
    if (!IsPinActive() || IsFlushing())
        return S_OK;
    return m_renderer->NotifyEvent(EC_COMPLETE, S_OK, 0);
}

NullRenderer::NullRenderer() : TBCBaseFilter(QStringLiteral("Null Renderer"), &m_lock, CLSID_NullRenderer)
{
    HRESULT hr = S_OK;
    m_pin = std::make_unique<NullRendererInputPin>(this, &m_lock, &hr);
}

ComPtr<NullRenderer> NullRenderer::Create()
{
    return ComPtr<NullRenderer>(new NullRenderer());
}

HRESULT NullRenderer::Pause()
{
    TBCAutoLock lock(&m_lock);
    if (IsStopped())
        m_rendered = 0;
    return TBCBaseFilter::Pause();
}

} // namespace camtrove::media
