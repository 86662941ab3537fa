// Dropping onto a window: the file names of a shell drop (HDROP), and an OLE
// drop target that takes files, links and text dragged from other programs.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace vellumark::forms {

// The paths an HDROP holds, in its order.
std::vector<std::wstring> DroppedFileNames(HDROP drop);

// OLE for the calling thread (drag and drop needs it, and it includes COM),
// from construction to destruction.
class TOleLibrary {
 public:
  TOleLibrary();
  ~TOleLibrary();
  TOleLibrary(const TOleLibrary&) = delete;
  TOleLibrary& operator=(const TOleLibrary&) = delete;

 private:
  bool initialised_ = false;
};

// A drop target that offers the copy effect for files (CF_HDROP), a link
// (the registered "UniformResourceLocatorW") and text (CF_UNICODETEXT), in
// that order of preference, and hands what is dropped to its owner. The
// owner creates it (one reference), registers it with RegisterDragDrop, and
// disconnects and releases it when the window goes; a drop after that is
// refused. COM interfaces have no virtual destructor: the object deletes
// itself in Release, so none is needed.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TDropTarget final : public IDropTarget {
 public:
  using TAccepts = std::function<bool()>;
  using TFilesDropped = std::function<void(const std::vector<std::wstring>& files)>;
  using TTextDropped = std::function<void(const std::wstring& text)>;
  TDropTarget(TAccepts accepts, TFilesDropped files, TTextDropped text);
  TDropTarget(const TDropTarget&) = delete;
  TDropTarget& operator=(const TDropTarget&) = delete;

  void Disconnect();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

 private:
  ~TDropTarget() = default;
  // The effect for data of a kind taken (or not) by an owner that accepts
  // drops now (or not), out of the effects the source allows.
  DWORD EffectFor(bool taken, DWORD allowed) const;

  std::atomic<ULONG> references_{1};
  TAccepts accepts_;
  TFilesDropped files_;
  TTextDropped text_;
  bool dragTaken_ = false;  // whether the data being dragged over is of a kind taken
};
#pragma GCC diagnostic pop

}  // namespace vellumark::forms
