// Owners for the Windows resources that the program takes one at a time and
// must give back exactly once: kernel handles, BSTR and VARIANT values, the
// fields of a media type, the filter reference inside PIN_INFO and memory
// from the COM task allocator. Each frees in its destructor; none is copied.
// (COM interface pointers are held in Microsoft::WRL::ComPtr.)
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <strmif.h>

// A kernel handle, closed once. Holds null for "none"; a CreateFileW result
// of INVALID_HANDLE_VALUE is taken as none.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Closes now; false when the system reports that the close failed (for a
  // file written through the handle, the last data may not have reached it).
  bool Close() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle == nullptr || CloseHandle(handle) != FALSE;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A BSTR owned by one variable and freed once.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(const wchar_t* text) : text_(SysAllocString(text)) {}
  ~UniqueBstr() { SysFreeString(text_); }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;

  BSTR Get() const { return text_; }
  // For a call that hands back a new string.
  BSTR* Receive() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }

 private:
  BSTR text_ = nullptr;
};

// A VARIANT, cleared once.
struct UniqueVariant {
  UniqueVariant() { VariantInit(&Value); }
  ~UniqueVariant() { VariantClear(&Value); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;

  VARIANT Value;
};

// A PROPVARIANT, cleared once.
struct UniquePropVariant {
  UniquePropVariant() { PropVariantInit(&Value); }
  ~UniquePropVariant() { PropVariantClear(&Value); }
  UniquePropVariant(const UniquePropVariant&) = delete;
  UniquePropVariant& operator=(const UniquePropVariant&) = delete;

  PROPVARIANT Value;
};

// The media type a pin hands back (IPin::ConnectionMediaType): its format
// block and its object reference are freed once.
struct MediaTypeFields {
  MediaTypeFields() = default;
  ~MediaTypeFields() {
    if (Type.pbFormat != nullptr) CoTaskMemFree(Type.pbFormat);
    if (Type.pUnk != nullptr) Type.pUnk->Release();
  }
  MediaTypeFields(const MediaTypeFields&) = delete;
  MediaTypeFields& operator=(const MediaTypeFields&) = delete;

  AM_MEDIA_TYPE Type{};
};

// What IPin::QueryPinInfo hands back; its filter reference is released once.
struct PinInfo {
  PinInfo() = default;
  ~PinInfo() {
    if (Info.pFilter != nullptr) Info.pFilter->Release();
  }
  PinInfo(const PinInfo&) = delete;
  PinInfo& operator=(const PinInfo&) = delete;

  PIN_INFO Info{};
};

// A string from the COM task allocator, freed once.
class CoTaskString {
 public:
  CoTaskString() = default;
  ~CoTaskString() { CoTaskMemFree(text_); }
  CoTaskString(const CoTaskString&) = delete;
  CoTaskString& operator=(const CoTaskString&) = delete;

  const wchar_t* Get() const { return text_; }
  wchar_t** Receive() {
    CoTaskMemFree(text_);
    text_ = nullptr;
    return &text_;
  }

 private:
  wchar_t* text_ = nullptr;
};
