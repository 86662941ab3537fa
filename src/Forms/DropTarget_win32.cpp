#include "Forms/DropTarget.h"

#include <cwchar>
#include <optional>
#include <utility>

namespace vellumark::forms {
namespace {

CLIPFORMAT LinkFormat() {
  static const auto format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"UniformResourceLocatorW"));
  return format;
}

FORMATETC FormatOf(CLIPFORMAT format) {
  return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

bool Holds(IDataObject* data, CLIPFORMAT format) {
  FORMATETC wanted = FormatOf(format);
  return data != nullptr && data->QueryGetData(&wanted) == S_OK;
}

bool HoldsTaken(IDataObject* data) {
  return Holds(data, CF_HDROP) || Holds(data, LinkFormat()) || Holds(data, CF_UNICODETEXT);
}

std::optional<std::vector<std::wstring>> FilesOf(IDataObject* data) {
  FORMATETC wanted = FormatOf(CF_HDROP);
  STGMEDIUM medium{};
  if (data->GetData(&wanted, &medium) != S_OK) return std::nullopt;
  std::vector<std::wstring> files;
  if (medium.tymed == TYMED_HGLOBAL) files = DroppedFileNames(static_cast<HDROP>(medium.hGlobal));
  ReleaseStgMedium(&medium);
  return files;
}

// The wide text of `format`, up to its first NUL or the end of its memory.
std::optional<std::wstring> TextOf(IDataObject* data, CLIPFORMAT format) {
  FORMATETC wanted = FormatOf(format);
  STGMEDIUM medium{};
  if (data->GetData(&wanted, &medium) != S_OK) return std::nullopt;
  std::optional<std::wstring> text;
  if (medium.tymed == TYMED_HGLOBAL) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(medium.hGlobal))) {
      text.emplace(chars, wcsnlen(chars, GlobalSize(medium.hGlobal) / sizeof(wchar_t)));
      GlobalUnlock(medium.hGlobal);
    }
  }
  ReleaseStgMedium(&medium);
  return text;
}

}  // namespace

std::vector<std::wstring> DroppedFileNames(HDROP drop) {
  std::vector<std::wstring> files;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring file(static_cast<std::size_t>(length) + 1, L'\0');
    const UINT got = DragQueryFileW(drop, i, file.data(), length + 1);
    file.resize(got);
    if (!file.empty()) files.push_back(std::move(file));
  }
  return files;
}

TOleLibrary::TOleLibrary() : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}

TOleLibrary::~TOleLibrary() {
  if (initialised_) OleUninitialize();
}

TDropTarget::TDropTarget(TAccepts accepts, TFilesDropped files, TTextDropped text)
    : accepts_(std::move(accepts)), files_(std::move(files)), text_(std::move(text)) {}

void TDropTarget::Disconnect() {
  accepts_ = nullptr;
  files_ = nullptr;
  text_ = nullptr;
}

HRESULT STDMETHODCALLTYPE TDropTarget::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TDropTarget::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE TDropTarget::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

DWORD TDropTarget::EffectFor(bool taken, DWORD allowed) const {
  const bool accepting = accepts_ && accepts_();
  return taken && accepting && (allowed & DROPEFFECT_COPY) != 0 ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

HRESULT STDMETHODCALLTYPE TDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
  if (effect == nullptr) return E_INVALIDARG;
  dragTaken_ = HoldsTaken(data);
  *effect = EffectFor(dragTaken_, *effect);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
  if (effect == nullptr) return E_INVALIDARG;
  *effect = EffectFor(dragTaken_, *effect);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TDropTarget::DragLeave() {
  dragTaken_ = false;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
  if (effect == nullptr) return E_INVALIDARG;
  dragTaken_ = false;
  *effect = EffectFor(HoldsTaken(data), *effect);
  if (*effect == DROPEFFECT_NONE) return S_OK;
  // The handlers may outlive a disconnect they cause; they run from copies.
  if (auto files = FilesOf(data)) {
    if (TFilesDropped handler = files_) handler(*files);
  } else if (auto link = TextOf(data, LinkFormat())) {
    if (TTextDropped handler = text_) handler(*link);
  } else if (auto text = TextOf(data, CF_UNICODETEXT)) {
    if (TTextDropped handler = text_) handler(*text);
  } else {
    *effect = DROPEFFECT_NONE;
  }
  return S_OK;
}

}  // namespace vellumark::forms
