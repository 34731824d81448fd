#pragma once

#include "WideString.h"

#include <QLibrary>
#include <QString>
#include <cstdint>

// Loads a module library and resolves its entry points by name, as the suite's desktop does.
class ModuleLoader
{
public:
    using LoadDll = uint32_t (*)(int32_t, BSTR, BSTR, BSTR, BSTR, BSTR, BSTR, BSTR, BSTR);
    using LoadDllW = uint32_t (*)(int32_t, const char16_t *, const char16_t *, const char16_t *, const char16_t *,
                                  const char16_t *, const char16_t *, const char16_t *, const char16_t *);
    using UnLoadDll = void (*)();
    using ResizeFn = void (*)(int32_t, int32_t);

    struct StartUp
    {
        QString protocol, alias, server, user, password, company, params, clientVersion;
    };

    explicit ModuleLoader(const QString &path);
    ~ModuleLoader();

    // Raises Exception when the library or one of its entry points cannot be found.
    void Open();
    // Calls QOpLoadDllW, or QOpLoadDll with COM wide strings when native is set; returns the handle.
    uint32_t Load(const StartUp &settings, bool native);
    // Calls QOpUnLoadDll once per load.
    void Unload();
    void Resize(int width, int height);
    bool Loaded() const { return m_loaded; }

private:
    QLibrary m_library;
    LoadDll m_load = nullptr;
    LoadDllW m_loadW = nullptr;
    UnLoadDll m_unload = nullptr;
    ResizeFn m_resize = nullptr;
    bool m_loaded = false;
};
