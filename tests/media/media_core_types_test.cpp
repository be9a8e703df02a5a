#include "media/core/guids.h"
#include "media/core/media_sample.h"
#include "media/core/media_type.h"
#include "media/core/mem_allocator.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

namespace camtrove::media {
namespace {

TEST(Guid, ParsesTextAndPrintsTheRegistryForm)
{
    EXPECT_EQ(MEDIATYPE_Video.Data1, 0x73646976u);
    EXPECT_EQ(MEDIATYPE_Video.Data4[0], 0x80);
    EXPECT_EQ(MEDIATYPE_Video.Data4[7], 0x71);
    EXPECT_EQ(GuidToString(MEDIASUBTYPE_RGB24), "{E436EB7D-524F-11CE-9F53-0020AF0BA770}");
    EXPECT_EQ(GuidFromString("{05589f80-c356-11ce-bf01-00aa0055595a}"), FORMAT_VideoInfo);
    EXPECT_FALSE(GuidFromString("{05589f80-c356-11ce-bf01-00aa0055595}").has_value());
    EXPECT_FALSE(GuidFromString("not a guid at all, not a guid at all!!").has_value());
}

TEST(Guid, FourCCSubtypesMatchTheirPublishedText)
{
    EXPECT_EQ(MEDIASUBTYPE_dvsd, MakeGuid("64737664-0000-0010-8000-00AA00389B71"));
    EXPECT_EQ(MEDIATYPE_Interleaved, FourCCGuid(MakeFourCC('i', 'a', 'v', 's')));
    EXPECT_EQ(MEDIASUBTYPE_YUY2, MakeGuid("32595559-0000-0010-8000-00AA00389B71"));
    EXPECT_EQ(MEDIASUBTYPE_PCM, FourCCGuid(1));
}

TEST(Guid, BytesAreStoredLittleEndianFirstThreeFields)
{
    const auto bytes = GuidBytes(FORMAT_WaveFormatEx); // {05589F81-C356-11CE-BF01-00AA0055595A}
    const std::array<std::uint8_t, 16> expected = {0x81, 0x9F, 0x58, 0x05, 0x56, 0xC3, 0xCE, 0x11,
                                                   0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A};
    EXPECT_EQ(bytes, expected);
}

template <class T> T ReadAs(const std::vector<std::uint8_t>& bytes)
{
    T value;
    std::memcpy(&value, bytes.data(), sizeof(T));
    return value;
}

void PutLe(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(FormatBlocks, VideoInfoHeaderFieldsSitAtTheirPublishedOffsets)
{
    std::vector<std::uint8_t> bytes(88, 0);
    PutLe(bytes, 8, 720, 4);      // rcSource.right
    PutLe(bytes, 32, 1234567, 4); // dwBitRate
    PutLe(bytes, 40, 400000, 8);  // AvgTimePerFrame
    PutLe(bytes, 48, 40, 4);      // biSize
    PutLe(bytes, 52, 720, 4);     // biWidth
    PutLe(bytes, 56, 576, 4);     // biHeight
    PutLe(bytes, 62, 24, 2);      // biBitCount
    PutLe(bytes, 64, MakeFourCC('d', 'v', 's', 'd'), 4);
    PutLe(bytes, 68, 144000, 4); // biSizeImage
    const auto vih = ReadAs<VIDEOINFOHEADER>(bytes);
    EXPECT_EQ(vih.rcSource.right, 720);
    EXPECT_EQ(vih.dwBitRate, 1234567u);
    EXPECT_EQ(vih.AvgTimePerFrame, 400000);
    EXPECT_EQ(vih.bmiHeader.biSize, 40u);
    EXPECT_EQ(vih.bmiHeader.biWidth, 720);
    EXPECT_EQ(vih.bmiHeader.biHeight, 576);
    EXPECT_EQ(vih.bmiHeader.biBitCount, 24);
    EXPECT_EQ(vih.bmiHeader.biCompression, MakeFourCC('d', 'v', 's', 'd'));
    EXPECT_EQ(vih.bmiHeader.biSizeImage, 144000u);
}

TEST(FormatBlocks, VideoInfoHeader2AndMpeg2CarryAspectAndSequenceHeader)
{
    std::vector<std::uint8_t> bytes(140, 0);
    PutLe(bytes, 40, 333667, 8); // AvgTimePerFrame
    PutLe(bytes, 56, 16, 4);     // dwPictAspectRatioX
    PutLe(bytes, 60, 9, 4);      // dwPictAspectRatioY
    PutLe(bytes, 76, 1920, 4);   // bmiHeader.biWidth
    PutLe(bytes, 116, 4, 4);     // cbSequenceHeader
    PutLe(bytes, 132, 0xB3010000, 4);
    const auto mpeg2 = ReadAs<MPEG2VIDEOINFO>(bytes);
    EXPECT_EQ(mpeg2.hdr.AvgTimePerFrame, 333667);
    EXPECT_EQ(mpeg2.hdr.dwPictAspectRatioX, 16u);
    EXPECT_EQ(mpeg2.hdr.dwPictAspectRatioY, 9u);
    EXPECT_EQ(mpeg2.hdr.bmiHeader.biWidth, 1920);
    EXPECT_EQ(mpeg2.cbSequenceHeader, 4u);
    EXPECT_EQ(mpeg2.dwSequenceHeader[0], 0xB3010000u);
}

TEST(FormatBlocks, WaveFormatExIsEighteenPackedBytes)
{
    const std::vector<std::uint8_t> bytes = {0x01, 0x00, 0x02, 0x00, 0x80, 0xBB, 0x00, 0x00, 0x00,
                                             0xEE, 0x02, 0x00, 0x04, 0x00, 0x10, 0x00, 0x00, 0x00};
    const auto wfx = ReadAs<WAVEFORMATEX>(bytes);
    EXPECT_EQ(wfx.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wfx.nChannels, 2);
    EXPECT_EQ(wfx.nSamplesPerSec, 48000u);
    EXPECT_EQ(wfx.nAvgBytesPerSec, 192000u);
    EXPECT_EQ(wfx.nBlockAlign, 4);
    EXPECT_EQ(wfx.wBitsPerSample, 16);
    const AM_MEDIA_TYPE made = MakePcmAudioType(48000, 16, 2);
    EXPECT_EQ(made.format, bytes);
}

TEST(MediaType, EqualityIsTypesAndFormatBytesOnly)
{
    const AM_MEDIA_TYPE a = MakeVideoType(MEDIASUBTYPE_RGB24, 320, 240, 400000);
    AM_MEDIA_TYPE b = a;
    b.bTemporalCompression = true;
    b.lSampleSize = 1;
    b.bFixedSizeSamples = false;
    EXPECT_EQ(a, b);
    b.FormatAs<VIDEOINFOHEADER>()->AvgTimePerFrame = 333667;
    EXPECT_NE(a, b);
    AM_MEDIA_TYPE longer = a;
    longer.format.push_back(0);
    EXPECT_NE(a, longer);
    AM_MEDIA_TYPE otherFormat = a;
    otherFormat.formattype = FORMAT_VideoInfo2;
    EXPECT_NE(a, otherFormat);
}

TEST(MediaType, PartialTypesMatchWithNullGuidsAsWildcards)
{
    const AM_MEDIA_TYPE full = MakeVideoType(MEDIASUBTYPE_YUY2, 320, 240, 400000);
    AM_MEDIA_TYPE partial;
    EXPECT_TRUE(MatchesPartialType(partial, full));
    partial.majortype = MEDIATYPE_Video;
    EXPECT_TRUE(MatchesPartialType(partial, full));
    partial.subtype = MEDIASUBTYPE_RGB24;
    EXPECT_FALSE(MatchesPartialType(partial, full));
    partial.subtype = GUID_NULL;
    partial.formattype = FORMAT_WaveFormatEx;
    EXPECT_FALSE(MatchesPartialType(partial, full));
    EXPECT_FALSE(IsFullySpecified(partial));
    EXPECT_TRUE(IsFullySpecified(full));
}

TEST(MediaType, VideoTypesDescribeTheirPicture)
{
    const AM_MEDIA_TYPE rgb = MakeVideoType(MEDIASUBTYPE_RGB24, 322, 240, 400000);
    const auto* vih = rgb.FormatAs<VIDEOINFOHEADER>();
    ASSERT_NE(vih, nullptr);
    EXPECT_EQ(vih->bmiHeader.biSizeImage, 968u * 240u); // 322 * 3 = 966 padded to 968
    EXPECT_EQ(rgb.lSampleSize, vih->bmiHeader.biSizeImage);
    EXPECT_EQ(vih->bmiHeader.biCompression, BI_RGB);
    const AM_MEDIA_TYPE yuy2 = MakeVideoType(MEDIASUBTYPE_YUY2, 320, 240, 400000);
    EXPECT_EQ(yuy2.FormatAs<VIDEOINFOHEADER>()->bmiHeader.biCompression, MakeFourCC('Y', 'U', 'Y', '2'));
    const AM_MEDIA_TYPE i420 = MakeVideoType(MEDIASUBTYPE_I420, 320, 240, 400000);
    EXPECT_EQ(i420.lSampleSize, 320u * 240u * 3 / 2);
    EXPECT_EQ(AM_MEDIA_TYPE{}.FormatAs<VIDEOINFOHEADER>(), nullptr);
}

ComPtr<MemAllocator> CommittedAllocator(int count, int size, int align = 1, int prefix = 0)
{
    auto allocator = MemAllocator::Create();
    ALLOCATOR_PROPERTIES actual;
    EXPECT_EQ(allocator->SetProperties({count, size, align, prefix}, &actual), S_OK);
    EXPECT_EQ(allocator->Commit(), S_OK);
    return allocator;
}

TEST(MemAllocator, RefusesBadPropertiesAndChangesWhileCommitted)
{
    auto allocator = MemAllocator::Create();
    ALLOCATOR_PROPERTIES actual;
    EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);
    EXPECT_EQ(allocator->SetProperties({2, 100, 3, 0}, &actual), VFW_E_BADALIGN);
    EXPECT_EQ(allocator->SetProperties({2, 100, 16, 8}, &actual), S_OK);
    EXPECT_EQ(actual.cBuffers, 2);
    EXPECT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(allocator->SetProperties({3, 100, 16, 0}, &actual), VFW_E_ALREADY_COMMITTED);
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    std::uint8_t* data = nullptr;
    ASSERT_EQ(sample->GetPointer(&data), S_OK);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % 16, 0u);
    EXPECT_EQ(sample->GetSize(), 100);
    (void)allocator->Decommit();
    EXPECT_EQ(allocator->SetProperties({3, 100, 16, 0}, &actual), VFW_E_BUFFERS_OUTSTANDING);
    sample.Reset();
    EXPECT_EQ(allocator->SetProperties({3, 100, 16, 0}, &actual), S_OK);
}

TEST(MemAllocator, PoolIsBoundedAndReturnedBuffersComeBackClean)
{
    auto allocator = CommittedAllocator(2, 64);
    ComPtr<IMediaSample> first, second, third;
    ASSERT_EQ(allocator->GetBuffer(&first, nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(allocator->GetBuffer(&third, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
    EXPECT_EQ(allocator->OutstandingBuffers(), 2);
    (void)first->SetActualDataLength(10);
    (void)first->SetSyncPoint(true);
    first.Reset();
    ASSERT_EQ(allocator->GetBuffer(&third, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
    EXPECT_EQ(third->GetActualDataLength(), 0);
    EXPECT_EQ(third->IsSyncPoint(), S_FALSE);
}

TEST(MemAllocator, DecommitWakesABlockedGetBuffer)
{
    auto allocator = CommittedAllocator(1, 64);
    ComPtr<IMediaSample> held;
    ASSERT_EQ(allocator->GetBuffer(&held, nullptr, nullptr, 0), S_OK);
    HRESULT waited = S_OK;
    std::thread waiter([&] {
        ComPtr<IMediaSample> sample;
        waited = allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    });
    (void)allocator->Decommit();
    waiter.join();
    EXPECT_EQ(waited, VFW_E_NOT_COMMITTED);
}

TEST(MemAllocator, ABlockedGetBufferGetsTheReturnedSample)
{
    auto allocator = CommittedAllocator(1, 64);
    ComPtr<IMediaSample> held;
    ASSERT_EQ(allocator->GetBuffer(&held, nullptr, nullptr, 0), S_OK);
    HRESULT waited = E_FAIL;
    std::thread waiter([&] {
        ComPtr<IMediaSample> sample;
        waited = allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    });
    held.Reset();
    waiter.join();
    EXPECT_EQ(waited, S_OK);
}

TEST(MemAllocator, SamplesKeepTheirAllocatorAlive)
{
    ComPtr<IMediaSample> sample;
    {
        auto allocator = CommittedAllocator(1, 64);
        ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    }
    std::uint8_t* data = nullptr;
    ASSERT_EQ(sample->GetPointer(&data), S_OK);
    data[63] = 1; // AddressSanitizer would catch a freed pool
    sample.Reset();
}

TEST(MediaSample, TimesMayBeAbsentOrStartOnly)
{
    auto allocator = CommittedAllocator(1, 16);
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    const REFERENCE_TIME t0 = 400000;
    (void)sample->SetTime(&t0, nullptr);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(start, t0);
    const REFERENCE_TIME t1 = 800000;
    (void)sample->SetTime(&t0, &t1);
    EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(stop, t1);
    std::int64_t ms = 0, me = 0;
    EXPECT_EQ(sample->GetMediaTime(&ms, &me), VFW_E_MEDIA_TIME_NOT_SET);
    const std::int64_t m0 = 7, m1 = 8;
    (void)sample->SetMediaTime(&m0, &m1);
    EXPECT_EQ(sample->GetMediaTime(&ms, &me), S_OK);
    EXPECT_EQ(me, 8);
    EXPECT_EQ(sample->SetActualDataLength(17), VFW_E_BUFFER_OVERFLOW);
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
    const AM_MEDIA_TYPE attached = MakePcmAudioType(44100, 16, 2);
    (void)sample->SetMediaType(&attached);
    ASSERT_EQ(sample->GetMediaType(&type), S_OK);
    EXPECT_EQ(*type, attached);
    delete type;
}

} // namespace
} // namespace camtrove::media
