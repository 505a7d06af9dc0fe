// SingleByteText: conversion between the program's UTF-8 text and the Windows-1252 single-byte text kept in
// fixed-size binary records (recipient files, dictation packages), and fitting text into such fields.
//
//   WriteSingleByteField(field, "Zoë Müller"); // 'Zo\xEB M\xFCller' and zeros up to the field's end
//   const std::string name = ReadSingleByteField(field); // "Zoë Müller"
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Each character becomes one byte; a character without a Windows-1252 form, and each byte of a malformed UTF-8
// sequence, becomes '?'.
std::string Utf8ToSingleByte(std::string_view utf8);

// Each byte becomes its character; the five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// become '?'.
std::string SingleByteToUtf8(std::string_view singleByte);

// The longest start of `utf8` that takes at most `maxBytes` bytes and ends on a character boundary.
std::string_view Utf8Prefix(std::string_view utf8, size_t maxBytes);

// The text in single-byte form, cut to at most `maxBytes` characters (one byte each).
std::string SingleByteFitted(std::string_view utf8, size_t maxBytes);

// Writes the text into a NUL-terminated field: at most field.size() - 1 characters, the rest of the field zero.
void WriteSingleByteField(std::span<uint8_t> field, std::string_view utf8);

// The field's text up to its first NUL (or its end), as UTF-8. Never reads past the field.
std::string ReadSingleByteField(std::span<const uint8_t> field);
