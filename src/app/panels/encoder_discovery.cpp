#include "app/panels/encoder_discovery.h"

#include "media/core/filter_moniker.h"
#include "media/core/guids.h"

#include <functional>

namespace camtrove::app {

using namespace camtrove::media;

namespace {

// Walks a category's monikers until visit returns false.
void ForEachMoniker(ICreateDevEnum* devices, const GUID& category,
                    const std::function<bool(const ComPtr<IMoniker>&)>& visit)
{
    ComPtr<IEnumMoniker> monikers;
    if (!devices || Failed(devices->CreateClassEnumerator(category, &monikers, 0)) || !monikers)
        return;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(&moniker) == S_OK && moniker) {
        if (!visit(moniker))
            return;
    }
}

std::optional<GUID> ClassOf(IMoniker* moniker)
{
    ComPtr<IPropertyBag> bag;
    QString text;
    if (Failed(moniker->BindToStorage(IID_IPropertyBag, bag.AsOut())) ||
        Failed(bag->Read(QStringLiteral("CLSID"), &text)))
        return std::nullopt;
    return GuidFromString(text);
}

} // namespace

TDivxCodecList FilterDivxCodecs(const QStringList& compressorNames)
{
    TDivxCodecList codecs;
    for (const QString& name : compressorNames) {
        const QString lower = name.toLower();
        if (lower.contains(QLatin1String("divx"))) {
            codecs.Names.append(name);
        } else if (lower.contains(QLatin1String("xvid"))) {
            codecs.XvidPosition = static_cast<int>(codecs.Names.size());
            codecs.Names.append(name);
        }
    }
    return codecs;
}

int ChooseDivxCodec(const TDivxCodecList& codecs, const QString& favourite)
{
    if (codecs.Names.isEmpty())
        return -1;
    const auto index = codecs.Names.indexOf(favourite);
    return index >= 0 ? static_cast<int>(index) : codecs.XvidPosition;
}

QStringList VideoCompressorNames(ICreateDevEnum* devices)
{
    QStringList names;
    ForEachMoniker(devices, CLSID_VideoCompressorCategory, [&](const ComPtr<IMoniker>& moniker) {
        names.append(FriendlyNameOf(moniker.Get()));
        return true;
    });
    return names;
}

ComPtr<IMoniker> VideoCompressorNamed(ICreateDevEnum* devices, const QString& name)
{
    ComPtr<IMoniker> found;
    ForEachMoniker(devices, CLSID_VideoCompressorCategory, [&](const ComPtr<IMoniker>& moniker) {
        if (FriendlyNameOf(moniker.Get()) != name)
            return true;
        found = moniker;
        return false;
    });
    return found;
}

ComPtr<IMoniker> LameMp3EncoderMoniker(ICreateDevEnum* devices)
{
    // The encoder registers itself among the audio compressors; an installation that lists it only
    // with the plain filters is found there.
    ComPtr<IMoniker> found;
    for (const GUID& category : {CLSID_AudioCompressorCategory, CLSID_LegacyAmFilterCategory}) {
        ForEachMoniker(devices, category, [&](const ComPtr<IMoniker>& moniker) {
            if (ClassOf(moniker.Get()) != CLSID_LameMp3Encoder)
                return true;
            found = moniker;
            return false;
        });
        if (found)
            break;
    }
    return found;
}

DiscoveredEncoders DiscoveredEncoders::Discover(ICreateDevEnum* devices)
{
    return {!FilterDivxCodecs(VideoCompressorNames(devices)).Names.isEmpty(),
            static_cast<bool>(LameMp3EncoderMoniker(devices))};
}

} // namespace camtrove::app
