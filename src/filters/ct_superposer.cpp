#include "filters/ct_superposer.h"

#include "filters/deinter.h"
#include "media/core/guids.h"
#include "media/core/media_results.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace camtrove::filters {

namespace {

constexpr double kOneSecond = 1.0 / 86400.0;
constexpr int kAutoFontReferenceWidth = 720;
constexpr int kAutoFontReferenceHeight = 28;
constexpr int kAutoFontMinimum = 16;
constexpr int kScreenDpi = 96; // point sizes become pixels as on the original's screens

// Rows of a 24-bit device-independent bitmap are padded to whole 32-bit words.
std::int64_t DibStride(int width)
{
    return (std::int64_t(width) * 3 + 3) & ~std::int64_t(3);
}

QRgb ToQRgb(TColor color)
{
    return qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
}

// Rounds halves to even, as the duration in frames is specified.
int RoundHalfEven(double value)
{
    return int(std::nearbyint(value)); // the default rounding mode is to nearest, ties to even
}

int DayOfMonth(TDateTime value)
{
    return DecodeDateTime(value).day;
}

} // namespace

// The record as the filter uses it, published whole by SetIncrustRec.
struct Tct_Superposer::Settings
{
    TincrustRec Record;
    QFont Font;
    QRgb Color = qRgb(255, 255, 255);
    int FontHeight = kAutoFontReferenceHeight;
};

Tct_Superposer::Tct_Superposer()
    : TBCTransformFilter(QStringLiteral("Dorn Vesk ct_Superposer"), CLSID_ct_Superposer), m_clock(&Now)
{
    auto settings = std::make_unique<Settings>();
    settings->Record.Xpos = 900;
    settings->Record.Ypos = 900;
    settings->Font = QFont(QStringLiteral("Arial"));
    settings->Font.setBold(true);
    settings->Font.setPixelSize(kAutoFontReferenceHeight);
    settings->Font.setStyleStrategy(QFont::NoAntialias);
    Publish(std::move(settings));
}

Tct_Superposer::~Tct_Superposer() = default;

void Tct_Superposer::Publish(std::unique_ptr<const Settings> settings)
{
    m_settings.store(settings.get());
    if (m_ownedSettings)
        m_retiredSettings.push_back(std::move(m_ownedSettings));
    m_ownedSettings = std::move(settings);
    // A frame that starts after the store above sees the new record; one that is still drawing may
    // hold an older one, which then waits for a later call.
    if (!m_settingsInUse.load())
        m_retiredSettings.clear();
}

HRESULT Tct_Superposer::CheckInputType(const media::AM_MEDIA_TYPE& type)
{
    return type.majortype == media::MEDIATYPE_Video && type.subtype == media::MEDIASUBTYPE_RGB24
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Tct_Superposer::CheckTransform(const media::AM_MEDIA_TYPE& input, const media::AM_MEDIA_TYPE& output)
{
    return input.majortype == output.majortype && input.subtype == output.subtype ? S_OK
                                                                                  : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Tct_Superposer::GetMediaType(int position, media::AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = m_input->CurrentMediaType();
    type->majortype = media::MEDIATYPE_Video;
    type->subtype = media::MEDIASUBTYPE_RGB24;
    if (auto* format = type->FormatAs<media::VIDEOINFOHEADER>()) {
        const media::BITMAPINFOHEADER& bmi = format->bmiHeader;
        // The rows as they are written, padded to whole words.
        format->bmiHeader.biSizeImage = std::uint32_t(DibStride(bmi.biWidth) * std::abs(bmi.biHeight));
        type->lSampleSize = format->bmiHeader.biSizeImage;
    }
    return S_OK;
}

HRESULT Tct_Superposer::DecideBufferSize(media::IMemAllocator* allocator,
                                         media::ALLOCATOR_PROPERTIES* request)
{
    media::IMemAllocator* inputAllocator =
        m_input && m_input->IsConnected() ? m_input->PeekAllocator() : nullptr;
    if (!inputAllocator)
        return E_UNEXPECTED;
    media::ALLOCATOR_PROPERTIES inputProps;
    HRESULT hr = inputAllocator->GetProperties(&inputProps);
    if (Failed(hr))
        return hr;
    request->cBuffers = std::max(inputProps.cBuffers, 1);
    request->cbBuffer = std::max(inputProps.cbBuffer, 1);
    request->cbAlign = std::max(request->cbAlign, 1);
    media::ALLOCATOR_PROPERTIES actual;
    hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    if (actual.cBuffers < request->cBuffers || actual.cbBuffer < request->cbBuffer ||
        actual.cbAlign < request->cbAlign)
        return E_FAIL;
    return S_OK;
}

HRESULT Tct_Superposer::StartStreaming()
{
    m_counter.store(m_duration.load() - 1);
    const auto* format = m_input->CurrentMediaType().FormatAs<media::VIDEOINFOHEADER>();
    if (!format)
        return S_FALSE;
    m_width = format->bmiHeader.biWidth;
    m_height = std::abs(format->bmiHeader.biHeight);
    if (m_width <= 0 || m_height <= 0) {
        m_width = m_height = 0;
        m_canvas = QImage();
    } else if (m_canvas.width() != m_width || m_canvas.height() != m_height) {
        m_canvas = QImage(m_width, m_height, QImage::Format_BGR888);
    }
    m_canvasWidth.store(m_width);
    m_nextGrab.store(0);
    return S_OK;
}

void Tct_Superposer::SetIncrustRec(const TincrustRec& record)
{
    auto settings = std::make_unique<Settings>();
    settings->Record = record;
    settings->Record.Xpos = std::clamp(record.Xpos, 0, 1000);
    settings->Record.Ypos = std::clamp(record.Ypos, 0, 1000);

    const TfontRecord& font = record.FontRec;
    settings->Font = QFont(font.FontName);
    if (record.Autofontsize)
        settings->FontHeight = std::max(
            m_canvasWidth.load() * kAutoFontReferenceHeight / kAutoFontReferenceWidth, kAutoFontMinimum);
    else
        settings->FontHeight = std::max((font.FontSize * kScreenDpi + 36) / 72, 1);
    settings->Font.setPixelSize(settings->FontHeight);
    settings->Font.setBold(font.Bold);
    settings->Font.setItalic(font.Italic);
    settings->Font.setUnderline(font.Underline);
    settings->Font.setStrikeOut(font.StrikeOut);
    // Hard pixels: the black outline then frames every coloured pixel exactly.
    settings->Font.setStyleStrategy(QFont::NoAntialias);
    settings->Color = ToQRgb(font.FontColor);
    Publish(std::move(settings));
}

void Tct_Superposer::SetInlayEnabled(bool enabled)
{
    m_inlayEnabled.store(enabled);
    m_counter.store(m_duration.load() - 1);
}

void Tct_Superposer::SetInlayWhen(int mode, int seconds)
{
    m_when.store(mode);
    m_whenSeconds.store(seconds);
    const std::int64_t frameDuration = m_frameDuration.load();
    if (frameDuration > 0)
        m_duration.store(RoundHalfEven(double(seconds) * 10000000.0 / double(frameDuration)));
    if (mode == iwPermanently)
        m_counter.store(m_duration.load() - 1);
}

void Tct_Superposer::StartInterval(std::int64_t interval)
{
    m_interval.store(interval);
    m_nextGrab.store(0);
    m_intervalOn.store(true);
}

void Tct_Superposer::SetClock(std::function<TDateTime()> clock)
{
    m_clock = clock ? std::move(clock) : std::function<TDateTime()>(&Now);
}

TincrustRec Tct_Superposer::IncrustRec() const
{
    return m_ownedSettings->Record;
}

int Tct_Superposer::FontHeight() const
{
    return m_ownedSettings->FontHeight;
}

bool Tct_Superposer::GrabBusy(int slot) const
{
    return slot >= 0 && slot < kGrabSlots && m_grabBusy[std::size_t(slot)].load(std::memory_order_acquire);
}

const QImage& Tct_Superposer::GrabBitmap(int slot) const
{
    return m_grabBitmaps[std::size_t(std::clamp(slot, 0, kGrabSlots - 1))];
}

void Tct_Superposer::ReleaseGrab(int slot)
{
    if (slot >= 0 && slot < kGrabSlots)
        m_grabBusy[std::size_t(slot)].store(false, std::memory_order_release);
}

void Tct_Superposer::Post(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam)
{
    if (WindowMessageSink* sink = m_sink.load())
        sink->PostWindowMessage(message, wParam, lParam);
}

void Tct_Superposer::CopyFrame(const std::uint8_t* in, std::uint8_t* out, bool reverseRows) const
{
    const std::int64_t stride = DibStride(m_width);
    for (int y = 0; y < m_height; ++y) {
        const int from = reverseRows ? m_height - 1 - y : y;
        std::memcpy(out + y * stride, in + from * stride, std::size_t(stride));
    }
}

bool Tct_Superposer::DrawInput(const std::uint8_t* in, std::int32_t length, bool bottomFirst)
{
    const std::int64_t stride = DibStride(m_width);
    if (m_canvas.isNull() || length < stride * m_height)
        return false;
    const std::size_t rowBytes = std::size_t(m_width) * 3;
    for (int y = 0; y < m_height; ++y) {
        const int from = bottomFirst ? m_height - 1 - y : y;
        std::memcpy(m_canvas.scanLine(y), in + from * stride, rowBytes);
    }
    return true;
}

void Tct_Superposer::WriteCanvas(std::uint8_t* out) const
{
    const std::int64_t stride = DibStride(m_width);
    const std::size_t rowBytes = std::size_t(m_width) * 3;
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t* row = out + y * stride;
        std::memcpy(row, m_canvas.constScanLine(m_height - 1 - y), rowBytes);
        std::memset(row + rowBytes, 0, std::size_t(stride) - rowBytes);
    }
}

void Tct_Superposer::UpdateLines(const Settings& settings, const TSceneFrameInfo* record)
{
    const TincrustRec& rec = settings.Record;
    const double offset = rec.DecalageHoraire;
    const auto dateText = [&](const QString& pattern) {
        if (!record || !record->DateValid)
            return QStringLiteral("N/A");
        return pattern.isEmpty() ? QString() : FormatDateTime(pattern, record->RecDate + offset);
    };
    const auto timecodeText = [&] {
        if (!record || !record->TimecodeValid)
            return QStringLiteral("N/A");
        const std::uint32_t tc = record->Timecode;
        return QString::asprintf("%d:%.2d:%.2d:%.2d", int(std::int8_t(tc & 0xFF)), int((tc >> 8) & 0xFF),
                                 int((tc >> 16) & 0xFF), int((tc >> 24) & 0xFF));
    };
    const auto realText = [&](const QString& pattern, TDateTime now) {
        return pattern.isEmpty() ? QString() : FormatDateTime(pattern, now + offset);
    };
    const auto perso = [](QString text, const QString& date, const QString& timecode, const QString& real) {
        text.replace(QLatin1String("%D"), date, Qt::CaseInsensitive);
        text.replace(QLatin1String("%T"), timecode, Qt::CaseInsensitive);
        text.replace(QLatin1String("%R"), real, Qt::CaseInsensitive);
        return text;
    };

    switch (rec.WhatIncrust) {
    case wiDatecode:
        m_line1 = dateText(rec.FormatDate1);
        m_line2 = dateText(rec.FormatDate2);
        break;
    case wiTimecode:
        m_line1.clear();
        m_line2 = timecodeText();
        break;
    case wiPerso: {
        const TDateTime now = m_clock();
        const QString tc = timecodeText();
        m_line1 = perso(rec.Incrust1, dateText(rec.FormatDate1), tc, realText(rec.FormatDate1, now));
        m_line2 = perso(rec.Incrust2, dateText(rec.FormatDate2), tc, realText(rec.FormatDate2, now));
        break;
    }
    case wiReal: {
        const TDateTime now = m_clock();
        m_line1 = realText(rec.FormatDate1, now);
        m_line2 = realText(rec.FormatDate2, now);
        break;
    }
    case wiNone:
        m_line1.clear();
        m_line2.clear();
        break;
    default:
        break; // an unknown kind keeps the lines of the frame before
    }
}

void Tct_Superposer::DrawLines(const Settings& settings)
{
    const TincrustRec& rec = settings.Record;
    const int h = std::abs(settings.FontHeight);
    const int x = m_width * rec.Xpos / 1000;
    const int y2 = m_height * rec.Ypos / 1000;
    const int y1 = y2 - h;
    const QFontMetrics metrics(settings.Font);
    const auto draw = [&](const QString& line, int top) {
        if (line.isEmpty())
            return;
        const int width = metrics.horizontalAdvance(line);
        int left = 0;
        switch (rec.Alignment) {
        case iaLeft:
            left = x;
            break;
        case iaCentre:
            left = x - width / 2;
            break;
        case iaRight:
            left = x - width;
            break;
        case iaSubtitle:
            left = (m_width - width) / 2;
            break;
        default:
            return;
        }
        DrawOutlinedText(m_canvas, settings.Font, settings.Color, rec.BorderSize, left, top, line);
    };
    draw(m_line1, y1);
    draw(m_line2, y2);
}

void Tct_Superposer::DrawOutlinedText(QImage& canvas, const QFont& font, QRgb color, int border, int x, int y,
                                      const QString& text)
{
    if (text.isEmpty() || canvas.isNull())
        return;
    QPainter painter(&canvas);
    painter.setFont(font);
    painter.setBackgroundMode(Qt::TransparentMode);
    const int ascent = QFontMetrics(font).ascent();
    if (border > 0) {
        painter.setPen(Qt::black);
        for (int dy = -border; dy <= border; ++dy)
            for (int dx = -border; dx <= border; ++dx)
                painter.drawText(x + dx, y + dy + ascent, text);
    }
    painter.setPen(QColor::fromRgb(color));
    painter.drawText(x, y + ascent, text);
}

HRESULT Tct_Superposer::Transform(media::IMediaSample* input, media::IMediaSample* output)
{
    std::uint8_t* in = nullptr;
    std::uint8_t* out = nullptr;
    HRESULT hr = input->GetPointer(&in);
    if (Succeeded(hr))
        hr = output->GetPointer(&out);
    if (Failed(hr))
        return hr;
    const std::int32_t inLength = input->GetActualDataLength();
    const std::int64_t frameBytes = DibStride(m_width) * m_height;
    const bool effectsAllowed = m_effectsAllowed.load();
    const bool sourceFlipped = m_sourceFlipped.load();
    HRESULT result = S_OK;

    if (!effectsAllowed) {
        if (m_width > 0 && inLength >= frameBytes && output->GetSize() >= frameBytes) {
            CopyFrame(in, out, sourceFlipped);
            (void)output->SetActualDataLength(std::int32_t(frameBytes));
        } else {
            const std::int32_t length = std::clamp(inLength, 0, output->GetSize());
            std::memcpy(out, in, std::size_t(length));
            (void)output->SetActualDataLength(length);
        }
    } else if (output->GetSize() < frameBytes ||
               !DrawInput(in, inLength, m_verticalFlip.load() == sourceFlipped)) {
        result = S_FALSE;
    } else {
        if (m_horizontalMirror.load())
            MirrorPicture(TopDownPicture(m_canvas.bits(), m_width, m_height, 24, m_canvas.bytesPerLine()));

        m_settingsInUse.store(true);
        const Settings* settings = m_settings.load();
        const std::uint8_t what = settings->Record.WhatIncrust;
        m_prevTime = m_curTime;
        m_curTime = what == wiReal ? m_clock() : 0;

        TSceneFrameInfo record;
        SceneDetector* detector = m_detector.load();
        if (detector) {
            m_prevRecDate = m_recDate;
            media::REFERENCE_TIME start = 0;
            media::REFERENCE_TIME stop = 0;
            const HRESULT times = input->GetTime(&start, &stop);
            // A frame without a time is taken to be the newest the detector has seen.
            const bool hasStart = times == S_OK || times == media::VFW_S_NO_STOP_TIME;
            record = detector->LookUp(hasStart ? start : std::numeric_limits<std::int64_t>::max()).Info;
            m_recDate = record.RecDate;
            if (what == wiDatecode)
                m_curTime = m_recDate;
        }

        const bool enabled = m_inlayEnabled.load();
        const int when = m_when.load();
        if (enabled && when != iwPermanently) {
            const int duration = m_duration.load();
            if (m_counter.load() > 0)
                m_counter.fetch_sub(1);
            if (when == iwEachScene && m_recDate > 0 &&
                (m_recDate - m_prevRecDate > 2 * kOneSecond || m_recDate < m_prevRecDate))
                m_counter.store(duration - 1);
            if (when == iwEachDay && m_curTime > 0 &&
                (DayOfMonth(m_curTime) != DayOfMonth(m_prevTime) || std::fabs(m_curTime - m_prevTime) > 1.0))
                m_counter.store(duration - 1);
        }
        if (enabled && (when == iwPermanently || m_counter.load() > 0)) {
            UpdateLines(*settings, detector ? &record : nullptr);
            DrawLines(*settings);
        }
        m_settingsInUse.store(false);
        WriteCanvas(out);
        (void)output->SetActualDataLength(std::int32_t(frameBytes));
    }

    RunGrabs(input, effectsAllowed, sourceFlipped);
    return result;
}

void Tct_Superposer::RunGrabs(media::IMediaSample* input, bool effectsAllowed, bool sourceFlipped)
{
    std::uint8_t* in = nullptr;
    (void)input->GetPointer(&in);
    const std::int32_t length = input->GetActualDataLength();

    media::REFERENCE_TIME start = 0;
    media::REFERENCE_TIME stop = 0;
    const HRESULT times = input->GetTime(&start, &stop);
    // Without a start time there is no stream time to schedule by.
    if (m_intervalOn.load() && (times == S_OK || times == media::VFW_S_NO_STOP_TIME)) {
        const std::int64_t t = start / 1000;
        const std::int64_t interval = m_interval.load();
        std::int64_t next = m_nextGrab.load();
        if (next <= t) {
            next += interval;
            if (next <= t)
                next = t + interval;
            m_nextGrab.store(next);
            if (Grab(effectsAllowed, in, length, sourceFlipped))
                m_grabRequest.store(false); // this grab serves a pending request too
        } else {
            const std::int64_t seconds = (next - t) / kIntervalUnitsPerSecond;
            if (seconds != m_lastCountdown) {
                m_lastCountdown = seconds;
                Post(WM_INTERVALOCOUNTDOWN, std::intptr_t(seconds), 0);
            }
        }
    }
    if (m_grabRequest.exchange(false))
        Grab(effectsAllowed, in, length, sourceFlipped);
}

bool Tct_Superposer::Grab(bool effectsAllowed, const std::uint8_t* in, std::int32_t length,
                          bool sourceFlipped)
{
    m_slot = (m_slot + 1) % kGrabSlots;
    std::atomic<bool>& busy = m_grabBusy[std::size_t(m_slot)];
    if (busy.load(std::memory_order_acquire))
        return false; // every slot still in the window's hands: the grab is lost
    // Without effects the canvas was not drawn this frame; a top-first source is still righted.
    if (!effectsAllowed && !DrawInput(in, length, !sourceFlipped))
        return false;
    if (m_canvas.isNull())
        return false;
    QImage& bitmap = m_grabBitmaps[std::size_t(m_slot)];
    if (bitmap.size() != m_canvas.size() || bitmap.format() != m_canvas.format())
        bitmap = QImage(m_canvas.size(), m_canvas.format());
    const auto bytes = std::size_t(m_canvas.bytesPerLine());
    for (int y = 0; y < m_canvas.height(); ++y)
        std::memcpy(bitmap.scanLine(y), m_canvas.constScanLine(y), bytes);
    busy.store(true, std::memory_order_release);
    Post(WM_IMAGEGRABBED, 0, m_slot);
    return true;
}

} // namespace camtrove::filters
