#include "media/core/installed_filters.h"

#include <QStringList>

#include <dlfcn.h>
#include <map>
#include <mutex>

namespace camtrove::media {

namespace {

const QString kClsidRoot = QStringLiteral("\\CLSID");

QString TypesText(const std::vector<REGPINTYPES>& types)
{
    QStringList parts;
    for (const auto& t : types)
        parts << GuidToString(t.clsMajorType) + QLatin1Char('/') + GuidToString(t.clsMinorType);
    return parts.join(QLatin1Char(';'));
}

std::optional<std::vector<REGPINTYPES>> TypesFromText(const QString& text)
{
    std::vector<REGPINTYPES> types;
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList guids = part.split(QLatin1Char('/'));
        if (guids.size() != 2)
            return std::nullopt;
        const auto major = GuidFromString(guids[0]);
        const auto minor = GuidFromString(guids[1]);
        if (!major || !minor)
            return std::nullopt;
        types.push_back({*major, *minor});
    }
    return types;
}

QString ClassKey(const GUID& clsid)
{
    return kClsidRoot + QLatin1Char('\\') + GuidToString(clsid);
}

QString InstanceKey(const GUID& category, const GUID& clsid)
{
    return ClassKey(category) + QStringLiteral("\\Instance\\") + GuidToString(clsid);
}

// Library handles stay open for the process: the filters they made run their code until exit.
class LoadedLibraries
{
public:
    void* Open(const QString& path)
    {
        std::lock_guard lock(m_mutex);
        if (const auto it = m_handles.find(path); it != m_handles.end())
            return it->second;
        void* handle = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (handle)
            m_handles.emplace(path, handle);
        return handle;
    }

private:
    std::mutex m_mutex;
    std::map<QString, void*> m_handles;
};

LoadedLibraries& Libraries()
{
    static LoadedLibraries libraries;
    return libraries;
}

} // namespace

bool WriteInstalledFilter(platform::Registry& classesRoot, const FilterRegistration& registration,
                          const QString& libraryPath)
{
    classesRoot.SetRootKey(platform::HKEY_CLASSES_ROOT);
    bool ok = classesRoot.OpenKey(ClassKey(registration.clsid), true) &&
              classesRoot.WriteString(QString(), registration.name);
    ok = ok && classesRoot.OpenKey(ClassKey(registration.clsid) + QStringLiteral("\\InprocServer32"), true) &&
         classesRoot.WriteString(QString(), libraryPath) &&
         classesRoot.WriteString(QStringLiteral("ThreadingModel"), QStringLiteral("Both"));
    ok = ok && classesRoot.OpenKey(InstanceKey(registration.category, registration.clsid), true) &&
         classesRoot.WriteString(QStringLiteral("FriendlyName"), registration.name) &&
         classesRoot.WriteString(QStringLiteral("CLSID"), GuidToString(registration.clsid)) &&
         classesRoot.WriteInteger(QStringLiteral("Merit"), static_cast<std::int32_t>(registration.merit)) &&
         classesRoot.WriteString(QStringLiteral("InputTypes"), TypesText(registration.inputTypes)) &&
         classesRoot.WriteString(QStringLiteral("OutputTypes"), TypesText(registration.outputTypes));
    classesRoot.CloseKey();
    return ok;
}

bool RemoveInstalledFilter(platform::Registry& classesRoot, const GUID& clsid)
{
    classesRoot.SetRootKey(platform::HKEY_CLASSES_ROOT);
    bool removed = false;
    if (classesRoot.OpenKeyReadOnly(kClsidRoot)) {
        for (const QString& category : classesRoot.GetKeyNames()) {
            const QString instance = kClsidRoot + QLatin1Char('\\') + category +
                                     QStringLiteral("\\Instance\\") + GuidToString(clsid);
            if (classesRoot.KeyExists(instance))
                removed = classesRoot.DeleteKey(instance) || removed;
        }
    }
    if (classesRoot.KeyExists(ClassKey(clsid)))
        removed = classesRoot.DeleteKey(ClassKey(clsid)) || removed;
    classesRoot.CloseKey();
    return removed;
}

std::vector<FilterRegistration> ReadInstalledFilters(platform::Registry& classesRoot)
{
    std::vector<FilterRegistration> found;
    classesRoot.SetRootKey(platform::HKEY_CLASSES_ROOT);
    if (!classesRoot.OpenKeyReadOnly(kClsidRoot))
        return found;
    const QStringList categories = classesRoot.GetKeyNames();
    for (const QString& categoryText : categories) {
        const auto category = GuidFromString(categoryText);
        const QString instances =
            kClsidRoot + QLatin1Char('\\') + categoryText + QStringLiteral("\\Instance");
        if (!category || !classesRoot.OpenKeyReadOnly(instances))
            continue;
        const QStringList classes = classesRoot.GetKeyNames();
        for (const QString& classText : classes) {
            const auto clsid = GuidFromString(classText);
            if (!clsid || !classesRoot.OpenKeyReadOnly(instances + QLatin1Char('\\') + classText))
                continue;
            FilterRegistration registration;
            registration.clsid = *clsid;
            registration.category = *category;
            registration.name = classesRoot.ReadString(QStringLiteral("FriendlyName")).value_or(classText);
            registration.merit = static_cast<std::uint32_t>(
                classesRoot.ReadInteger(QStringLiteral("Merit")).value_or(MERIT_DO_NOT_USE));
            const auto inputs =
                TypesFromText(classesRoot.ReadString(QStringLiteral("InputTypes")).value_or(QString()));
            const auto outputs =
                TypesFromText(classesRoot.ReadString(QStringLiteral("OutputTypes")).value_or(QString()));
            if (!inputs || !outputs)
                continue; // a registration we cannot read is left out rather than guessed
            registration.inputTypes = *inputs;
            registration.outputTypes = *outputs;
            if (!classesRoot.OpenKeyReadOnly(ClassKey(*clsid) + QStringLiteral("\\InprocServer32")))
                continue;
            const QString library = classesRoot.ReadString(QString()).value_or(QString());
            if (library.isEmpty())
                continue;
            const GUID classId = *clsid;
            registration.create = [library, classId] { return CreateFilterFromLibrary(library, classId); };
            found.push_back(std::move(registration));
        }
    }
    classesRoot.CloseKey();
    return found;
}

int AddInstalledFilters(FilterCatalogue& catalogue, platform::Registry& classesRoot)
{
    int added = 0;
    for (auto& registration : ReadInstalledFilters(classesRoot)) {
        if (catalogue.Find(registration.clsid))
            continue;
        catalogue.Register(std::move(registration));
        ++added;
    }
    return added;
}

ComPtr<IBaseFilter> CreateFilterFromLibrary(const QString& libraryPath, const GUID& clsid)
{
    void* handle = Libraries().Open(libraryPath);
    if (!handle)
        return {};
    const auto create = reinterpret_cast<CreateFilterFunction>(dlsym(handle, kCreateFilterExport));
    if (!create)
        return {};
    IBaseFilter* filter = nullptr;
    if (Failed(create(&clsid, &filter)) || !filter)
        return {};
    return ComPtr<IBaseFilter>::Adopt(filter);
}

} // namespace camtrove::media
