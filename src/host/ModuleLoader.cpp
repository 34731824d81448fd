#include "ModuleLoader.h"

#include "SysUtils.h"

ModuleLoader::ModuleLoader(const QString &path) : m_library(path)
{
    m_library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
}

ModuleLoader::~ModuleLoader()
{
    Unload();
}

void ModuleLoader::Open()
{
    if (!m_library.load())
        throw Exception(QStringLiteral("No fue posible cargar el módulo %1: %2")
                            .arg(m_library.fileName(), m_library.errorString()));
    auto need = [this](const char *name) {
        QFunctionPointer f = m_library.resolve(name);
        if (!f)
            throw Exception(QStringLiteral("El módulo no exporta %1.").arg(QLatin1StringView(name)));
        return f;
    };
    m_load = reinterpret_cast<LoadDll>(need("QOpLoadDll"));
    m_loadW = reinterpret_cast<LoadDllW>(need("QOpLoadDllW"));
    m_unload = reinterpret_cast<UnLoadDll>(need("QOpUnLoadDll"));
    m_resize = reinterpret_cast<ResizeFn>(need("CambiarTamano"));
}

uint32_t ModuleLoader::Load(const StartUp &s, bool native)
{
    uint32_t handle = 0;
    if (native) {
        BSTR args[] = {QStringToBstr(s.protocol), QStringToBstr(s.alias),        QStringToBstr(s.server),
                       QStringToBstr(s.user),     QStringToBstr(s.password),     QStringToBstr(s.company),
                       QStringToBstr(s.params),   QStringToBstr(s.clientVersion)};
        auto freeAll = [&args] {
            for (BSTR b : args)
                SysFreeString(b);
        };
        try {
            handle = m_load(0, args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7]);
        } catch (...) {
            freeAll();
            throw;
        }
        freeAll();
    } else {
        auto w = [](const QString &t) { return reinterpret_cast<const char16_t *>(t.utf16()); };
        handle = m_loadW(0, w(s.protocol), w(s.alias), w(s.server), w(s.user), w(s.password), w(s.company), w(s.params),
                         w(s.clientVersion));
    }
    m_loaded = true;
    return handle;
}

void ModuleLoader::Unload()
{
    if (m_loaded) {
        m_loaded = false;
        m_unload();
    }
}

void ModuleLoader::Resize(int width, int height)
{
    if (m_loaded)
        m_resize(width, height);
}
