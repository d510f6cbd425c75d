// The entry points JavaScript calls. Each returns JSON text that stays valid
// until the next call.
#ifndef QUORLIN_WASM_QUORLINWASM_H
#define QUORLIN_WASM_QUORLINWASM_H

#include <cstdint>

#if defined(__EMSCRIPTEN__)
#include <emscripten/emscripten.h>
#define QUORLIN_EXPORT extern "C" EMSCRIPTEN_KEEPALIVE
#else
#define QUORLIN_EXPORT extern "C"
#endif

// {ok, bytes, messages}: the classic compile, its messages as quorlin prints
// them ("Line 4: ...").
QUORLIN_EXPORT const char* quorlin_compile(const char* pText, std::uint32_t nLength);

// {ok, bytes, diagnostics, figures, budget}: the diagnostics engine, each
// diagnostic with its severity, place (line, column, length, byte offset),
// message, name, parent and fix-its; the budget's lines ("57 of 8192 bytes").
QUORLIN_EXPORT const char* quorlin_diagnose(const char* pText, std::uint32_t nLength);

// {ok, text, error}: the script in the canonical layout.
QUORLIN_EXPORT const char* quorlin_format(const char* pText, std::uint32_t nLength);

// {ok, listing} or {ok: false, error}: the listing tfsdump prints.
QUORLIN_EXPORT const char* quorlin_listing(const std::uint8_t* pData, std::uint32_t nSize);

// {ok, script, problems} or {ok: false, error}: the file as a script that
// names pszName in its first line, as tfsdump --script writes it.
QUORLIN_EXPORT const char* quorlin_decompile(const std::uint8_t* pData, std::uint32_t nSize, const char* pszName);

#endif
