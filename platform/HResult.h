#pragma once

#include <cstdint>

// Results of graph and filter operations: negative is failure, as the callers expect.
using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = static_cast<HRESULT>(0x8004022Fu);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);

constexpr bool Succeeded(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool Failed(HRESULT hr)
{
    return hr < 0;
}
