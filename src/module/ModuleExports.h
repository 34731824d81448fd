#pragma once

#include "WideString.h"

#include <QString>
#include <cstdint>

// The module's twelve entry points, the only symbols libZErOdadi.so exports. The functions without
// the W suffix use the platform's default C convention; the W variants use stdcall where the target
// has one (32-bit x86) and the default convention elsewhere.

#if defined(__i386__)
#define ZE_STDCALL __attribute__((stdcall))
#else
#define ZE_STDCALL
#endif
#define ZE_EXPORT extern "C" __attribute__((visibility("default")))

ZE_EXPORT uint32_t QOpLoadDll(int32_t reserved, BSTR protocol, BSTR alias, BSTR server, BSTR user, BSTR password,
                              BSTR company, BSTR parameters, BSTR clientVersion);
ZE_EXPORT uint32_t ZE_STDCALL QOpLoadDllW(int32_t reserved, const char16_t *protocol, const char16_t *alias,
                                          const char16_t *server, const char16_t *user, const char16_t *password,
                                          const char16_t *company, const char16_t *parameters,
                                          const char16_t *clientVersion);
ZE_EXPORT void QOpUnLoadDll();

ZE_EXPORT BSTR getServerGuidNet();
ZE_EXPORT BSTR getServerNameNet();
ZE_EXPORT BSTR getServerPublicT();
ZE_EXPORT void ZE_STDCALL getServerGuidNetW(const char16_t **value);
ZE_EXPORT void ZE_STDCALL getServerNameNetW(const char16_t **value);
ZE_EXPORT void ZE_STDCALL getServerPublicTW(const char16_t **value);

ZE_EXPORT void CambiarTamano(int32_t width, int32_t height);
ZE_EXPORT void CambiarAltura(int32_t height);
ZE_EXPORT void ZE_STDCALL CambiarTamanoW(QString width, QString height);
