#pragma once
// TBCTransInPlaceFilter: a transform that inspects or rewrites the input buffer and passes the
// same buffer on. Pins "Input" and "Output"; one allocator serves both sides when it can, and a
// sample is copied into an output buffer only when the two sides had to use different ones.

#include "media/base/transform_filter.h"

namespace camtrove::media {

class TBCTransInPlaceFilter;

class TBCTransInPlaceInputPin : public TBCTransformInputPin
{
public:
    TBCTransInPlaceInputPin(QString objectName, TBCTransInPlaceFilter* filter, HRESULT* result,
                            QString pinName);

    HRESULT GetAllocator(ComPtr<IMemAllocator>* allocator) override;
    HRESULT NotifyAllocator(IMemAllocator* allocator, bool readOnly) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    // The downstream input's types: the filter passes the format through.
    HRESULT EnumMediaTypes(ComPtr<IEnumMediaTypes>* types) override;

private:
    TBCTransInPlaceFilter* m_inPlaceFilter;
};

class TBCTransInPlaceOutputPin : public TBCTransformOutputPin
{
public:
    TBCTransInPlaceOutputPin(QString objectName, TBCTransInPlaceFilter* filter, HRESULT* result,
                             QString pinName);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    // The upstream output's types.
    HRESULT EnumMediaTypes(ComPtr<IEnumMediaTypes>* types) override;

private:
    TBCTransInPlaceFilter* m_inPlaceFilter;
};

class TBCTransInPlaceFilter : public TBCTransformFilter
{
public:
    TBCTransInPlaceFilter(QString objectName, const GUID& classId, bool modifiesData);

    using TBCTransformFilter::Transform;
    // The in-place transform on the buffer that will be delivered.
    [[nodiscard]] virtual HRESULT Transform(IMediaSample* sample) = 0;

    HRESULT CheckTransform(const AM_MEDIA_TYPE&, const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT GetMediaType(int, AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin) override;
    HRESULT Receive(IMediaSample* sample) override;

    [[nodiscard]] bool ModifiesData() const { return m_bModifiesData; }
    [[nodiscard]] TBCTransInPlaceInputPin* InPlaceInput();
    [[nodiscard]] TBCTransInPlaceOutputPin* InPlaceOutput();

protected:
    std::unique_ptr<TBCTransformInputPin> CreateInputPin(HRESULT* result) override;
    std::unique_ptr<TBCTransformOutputPin> CreateOutputPin(HRESULT* result) override;
    // A copy of source in a buffer of the output allocator, or null when none can be made.
    [[nodiscard]] ComPtr<IMediaSample> Copy(IMediaSample* source);
    [[nodiscard]] bool UsingDifferentAllocators() const;

    bool m_bModifiesData;
};

} // namespace camtrove::media
