#include "options/options_file.h"

#include <windows.h>
#include <msxml2.h>
#include <share.h>
#include <wrl/client.h>

#include <cstdio>
#include <vector>

#include "base/win_handles.h"
#include "options/options_text.h"

using Microsoft::WRL::ComPtr;

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be UTF-16");

namespace {

// MSXML 6's document class (msxml6.h is not available everywhere).
const CLSID CLSID_DOMDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};

const wchar_t OptionsFileNameW[] = L"ORVO_options_playback.xml";
const wchar_t ProgramTitle[] = L"ORVO Video Playback Version 1";

// Capacity of the text of one "Value" attribute, terminator included.
constexpr std::size_t ValueTextUnits = 100;

const char16_t* AsUtf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// Creates an MSXML 6 document set up alike for reading and writing: loading
// is synchronous, nothing is validated or fetched from outside, and white
// space between elements is kept.
HRESULT CreateOptionsDocument(ComPtr<IXMLDOMDocument>* document) {
  HRESULT hr = CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(document->ReleaseAndGetAddressOf()));
  if (SUCCEEDED(hr) && *document) {
    (*document)->put_async(VARIANT_FALSE);
    (*document)->put_validateOnParse(VARIANT_FALSE);
    (*document)->put_resolveExternals(VARIANT_FALSE);
    (*document)->put_preserveWhiteSpace(VARIANT_TRUE);
  }
  return hr;
}

// Hands the value of child to ParseWindowPosition when child is an element
// with exactly one attribute; anything else is skipped.
void ReadChild(IXMLDOMNode* child, WindowPositionRecord* positions, RecentRecordingList* recent) {
  DOMNodeType type = NODE_INVALID;
  if (child->get_nodeType(&type) != S_OK || type != NODE_ELEMENT) return;

  UniqueBstr name;
  if (child->get_nodeName(name.Receive()) != S_OK) return;
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  if (child->get_attributes(&attributes) != S_OK || !attributes) return;
  long count = 0;
  if (attributes->get_length(&count) != S_OK || count != 1) return;

  ComPtr<IXMLDOMNode> attribute;
  if (attributes->get_item(0, &attribute) != S_OK || !attribute) return;
  if (attribute->get_nodeType(&type) != S_OK || type != NODE_ATTRIBUTE) return;
  UniqueVariant value;
  if (attribute->get_nodeValue(&value.Value) != S_OK || value.Value.vt != VT_BSTR) return;

  // A null BSTR is an empty string.
  const wchar_t* nameText = name.Get() != nullptr ? name.Get() : L"";
  const wchar_t* valueText = value.Value.bstrVal != nullptr ? value.Value.bstrVal : L"";
  ParseWindowPosition(AsUtf16(nameText), positions, AsUtf16(valueText));
  if (recent != nullptr) ReadRecentRecordingElement(AsUtf16(nameText), AsUtf16(valueText), recent);
}

}  // namespace

int ReadOptionsFile(WindowPositionRecord* positions, RecentRecordingList* recent) {
  if (positions == nullptr) return 0;

  ComPtr<IXMLDOMDocument> document;
  if (CreateOptionsDocument(&document) != S_OK || !document) return 0;

  UniqueVariant fileName;
  fileName.Value.vt = VT_BSTR;
  fileName.Value.bstrVal = SysAllocString(OptionsFileNameW);
  if (fileName.Value.bstrVal == nullptr) return 0;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (document->load(fileName.Value, &loaded) != S_OK) return 0;

  ComPtr<IXMLDOMElement> root;
  if (document->get_documentElement(&root) != S_OK || !root) return 0;
  ComPtr<IXMLDOMNodeList> children;
  if (root->get_childNodes(&children) != S_OK || !children) return 0;
  long count = 0;
  if (children->get_length(&count) != S_OK) return 0;

  // The children in document order. The list's iterator is used rather than
  // item(i): some DOM engines find item(i) by walking from the first child,
  // which makes a large file take quadratic time.
  children->reset();
  for (long i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> child;
    if (children->nextNode(&child) != S_OK || !child) break;  // the list ended
    ReadChild(child.Get(), positions, recent);
  }
  return 1;
}

namespace {

// The document-building steps. Each returns the result of its last platform
// call: S_OK on success, E_OUTOFMEMORY when a string cannot be allocated.

HRESULT AppendToNode(IXMLDOMNode* parent, IXMLDOMNode* child) {
  ComPtr<IXMLDOMNode> appended;
  return parent->appendChild(child, &appended);
}

HRESULT AddProcessingInstruction(IXMLDOMDocument* document) {
  UniqueBstr target(L"xml");
  UniqueBstr data(L"version='1.0'");
  if (target.Get() == nullptr || data.Get() == nullptr) return E_OUTOFMEMORY;
  ComPtr<IXMLDOMProcessingInstruction> instruction;
  HRESULT hr = document->createProcessingInstruction(target.Get(), data.Get(), &instruction);
  if (hr != S_OK) return hr;
  return AppendToNode(document, instruction.Get());
}

HRESULT AddComment(IXMLDOMDocument* document) {
  UniqueBstr text(ProgramTitle);
  if (text.Get() == nullptr) return E_OUTOFMEMORY;
  ComPtr<IXMLDOMComment> comment;
  HRESULT hr = document->createComment(text.Get(), &comment);
  if (hr != S_OK) return hr;
  return AppendToNode(document, comment.Get());
}

HRESULT CreateElement(IXMLDOMDocument* document, const wchar_t* name, ComPtr<IXMLDOMElement>* element) {
  UniqueBstr tag(name);
  if (tag.Get() == nullptr) return E_OUTOFMEMORY;
  return document->createElement(tag.Get(), element->ReleaseAndGetAddressOf());
}

HRESULT AppendTextNode(IXMLDOMDocument* document, IXMLDOMNode* parent, const wchar_t* text) {
  UniqueBstr data(text);
  if (data.Get() == nullptr) return E_OUTOFMEMORY;
  ComPtr<IXMLDOMText> node;
  HRESULT hr = document->createTextNode(data.Get(), &node);
  if (hr != S_OK) return hr;
  return AppendToNode(parent, node.Get());
}

// Creates a window element and appends it to root on a line of its own,
// indented by one tab.
HRESULT AddWindowElement(IXMLDOMDocument* document, IXMLDOMElement* root, const wchar_t* name,
                         ComPtr<IXMLDOMElement>* element) {
  HRESULT hr = CreateElement(document, name, element);
  if (hr != S_OK) return hr;
  hr = AppendTextNode(document, root, L"\n\t");
  if (hr != S_OK) return hr;
  return AppendToNode(root, element->Get());
}

HRESULT SetValueAttribute(IXMLDOMDocument* document, IXMLDOMElement* element, const wchar_t* valueText) {
  UniqueBstr name(L"Value");
  if (name.Get() == nullptr) return E_OUTOFMEMORY;
  ComPtr<IXMLDOMAttribute> attribute;
  HRESULT hr = document->createAttribute(name.Get(), &attribute);
  if (hr != S_OK) return hr;
  UniqueVariant value;
  value.Value.vt = VT_BSTR;
  value.Value.bstrVal = SysAllocString(valueText);
  if (value.Value.bstrVal == nullptr) return E_OUTOFMEMORY;
  hr = attribute->put_value(value.Value);
  if (hr != S_OK) return hr;
  ComPtr<IXMLDOMAttribute> replaced;
  return element->setAttributeNode(attribute.Get(), &replaced);
}

// Converts text to the ANSI code page into out (capacity bytes). Fails when
// it does not fit or when a character has no exact ANSI form: a look-alike
// substitute would name another directory or change the text.
bool ConvertToAnsi(const wchar_t* text, char* out, int capacity) {
  int written;
  if (GetACP() == CP_UTF8) {
    // A UTF-8 ANSI code page can hold everything but broken surrogates, and
    // the system refuses the default-character query for it.
    written = WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, text, -1, out, capacity, nullptr, nullptr);
    return written > 0;
  }
  BOOL usedDefault = FALSE;
  written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, out, capacity, nullptr, &usedDefault);
  return written > 0 && !usedDefault;
}

}  // namespace

int WriteOptionsFile() {
  ComPtr<IXMLDOMDocument> document;
  if (CreateOptionsDocument(&document) != S_OK || !document) return 0;
  if (AddProcessingInstruction(document.Get()) != S_OK) return 0;
  if (AddComment(document.Get()) != S_OK) return 0;
  ComPtr<IXMLDOMElement> root;
  if (CreateElement(document.Get(), L"Root", &root) != S_OK) return 0;

  for (const WindowPositionElement& entry : WindowPositionElements) {
    ComPtr<IXMLDOMElement> element;
    if (AddWindowElement(document.Get(), root.Get(), AsWide(entry.Name), &element) != S_OK) {
      return 0;
    }
    char16_t valueText[ValueTextUnits] = {};
    FormatWindowPositionValue(entry, WindowPositions, valueText, ValueTextUnits);
    if (SetValueAttribute(document.Get(), element.Get(), AsWide(valueText)) != S_OK) return 0;
  }
  // The recent recordings follow the window elements, most recent first.
  for (int i = 0; i < RecentRecordings.Count && i < RecentRecordingsMost; ++i) {
    ComPtr<IXMLDOMElement> element;
    if (AddWindowElement(document.Get(), root.Get(), AsWide(RecentRecordingElementName), &element) != S_OK) {
      return 0;
    }
    if (SetValueAttribute(document.Get(), element.Get(), AsWide(RecentRecordings.Paths[i])) != S_OK) return 0;
  }

  if (AppendTextNode(document.Get(), root.Get(), L"\n") != S_OK) return 0;
  if (AppendToNode(document.Get(), root.Get()) != S_OK) return 0;

  UniqueBstr xmlText;
  if (document->get_xml(xmlText.Receive()) != S_OK || xmlText.Get() == nullptr) return 0;
  root.Reset();
  document.Reset();
  std::vector<char16_t> escaped(OptionsTextBytes);
  if (!EscapeNonAsciiText(AsUtf16(xmlText.Get()), escaped.data(), escaped.size())) return 0;
  return WriteOptionsText(AsWide(escaped.data()));
}

int WriteOptionsText(const wchar_t* xmlText) {
  if (xmlText == nullptr) return 0;

  // The working directory, ending in a backslash (a drive root already does).
  wchar_t directory[OptionsDirectoryUnits] = {};
  DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(OptionsDirectoryUnits), directory);
  if (length == 0 || length >= OptionsDirectoryUnits) return 0;  // failed or too long
  if (!EndDirectoryWithSeparator(reinterpret_cast<char16_t*>(directory), OptionsDirectoryUnits)) {
    return 0;
  }

  char directoryAnsi[OptionsDirectoryBytes] = {};
  std::vector<char> textBuffer(OptionsTextBytes);
  std::vector<char> reshapedBuffer(OptionsTextBytes);
  char* textAnsi = textBuffer.data();
  char* reshaped = reshapedBuffer.data();
  char path[OptionsPathBytes] = {};

  if (!ConvertToAnsi(directory, directoryAnsi, static_cast<int>(OptionsDirectoryBytes))) return 0;
  if (!ConvertToAnsi(xmlText, textAnsi, static_cast<int>(OptionsTextBytes))) return 0;

  std::size_t reshapedLength = 0;
  if (!ReshapeOptionsText(textAnsi, OptionsTextBytes, reshaped, OptionsTextBytes, &reshapedLength)) {
    return 0;
  }
  if (!BuildOptionsFilePath(directoryAnsi, path, OptionsPathBytes)) return 0;

  // Text mode: every line feed reaches the disk as CR LF. Others may read or
  // write the file meanwhile.
  FILE* file = _fsopen(path, "wt", _SH_DENYNO);
  if (file == nullptr) return 0;
  // A full disk must not pass for success: the old file is already gone.
  // The flush is checked on its own because some C runtimes' fclose does not
  // report a failed flush of the buffer.
  bool written = std::fwrite(reshaped, 1, reshapedLength, file) == reshapedLength;
  written = std::fflush(file) == 0 && written;
  written = std::fclose(file) == 0 && written;
  return written ? 1 : 0;
}
