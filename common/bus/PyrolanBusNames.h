// Names under which the broker is found on the session bus, and its identifiers.
#pragma once

inline constexpr const char kBrokerBusName[] = "PyrolanServer.PyrolanBroker";
inline constexpr const char kBrokerObjectPath[] = "/PyrolanBroker";
inline constexpr const char kBrokerInterface[] = "PyrolanServer.IPyrolanBroker";
inline constexpr const char kBrokerHistoryInterface[] = "PyrolanServer.IPyrolanBrokerHistory";
inline constexpr const char kLifetimeInterface[] = "PyrolanServer.Lifetime";

// Class identifier of PyrolanBroker and its two program identifiers; any of them creates the broker.
inline constexpr const char kBrokerClassId[] = "{5B3C9F2E-8A41-4D6B-9E27-3F1A6C0D84B2}";
inline constexpr const char kBrokerProgId[] = "PyrolanServer.PyrolanBroker.1";
inline constexpr const char kBrokerVersionIndependentProgId[] = "PyrolanServer.PyrolanBroker";

// Error names of failing HRESULTs; every other failure travels as kErrorHResult.
inline constexpr const char kErrorAccessDenied[] = "PyrolanServer.Error.AccessDenied";
inline constexpr const char kErrorInvalidArg[] = "PyrolanServer.Error.InvalidArg";
inline constexpr const char kErrorOutOfMemory[] = "PyrolanServer.Error.OutOfMemory";
inline constexpr const char kErrorFail[] = "PyrolanServer.Error.Fail";
inline constexpr const char kErrorHResult[] = "PyrolanServer.Error.HResult";

// Files the registration installs: the activation file and one introspection file per interface.
inline constexpr const char kServiceFileName[] = "PyrolanServer.PyrolanBroker.service";
inline constexpr const char* const kInterfaceFileNames[] = {
    "PyrolanServer.IPyrolanBroker.xml",
    "PyrolanServer.IPyrolanBrokerHistory.xml",
    "PyrolanServer.Lifetime.xml",
};
