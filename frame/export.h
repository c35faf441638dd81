// What the shared library shows a host. The library is compiled with hidden symbols; the
// declarations of the host contract (the value model, collections, record sets, host errors,
// the bill form and list interfaces, the platform and the plug-in object with the C entry) are
// wrapped in QOR_XS_CONTRACT_BEGIN / QOR_XS_CONTRACT_END and stay visible. Everything else
// (the frame's rule tables, the data gateway, the login, the services and the bills) is the
// library's own.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define QOR_XS_CONTRACT_BEGIN _Pragma("GCC visibility push(default)")
#define QOR_XS_CONTRACT_END _Pragma("GCC visibility pop")
#else
#define QOR_XS_CONTRACT_BEGIN
#define QOR_XS_CONTRACT_END
#endif
