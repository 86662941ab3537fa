// Saving and restoring the state of a window's controls in an INI file: one
// section per window and owned component ("<window>.<window>" for the
// window's bounds, "<window>.<component>" for each component), keys "Top",
// "Left", "Width", "Height", "Tag", "Enabled", "Text" and "Checked".
//
// The decisions (sections, keys, encodings, defaults, limits, order) live
// here and are the same on every platform; the window and the INI file are
// reached through the two small interfaces below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellumark {

// One component of a window, as persistence sees it. Setters go through the
// component's ordinary properties, with their usual side effects.
class TStateComponent {
 public:
  virtual ~TStateComponent() = default;
  virtual std::string Name() const = 0;
  virtual int Tag() const = 0;
  virtual void SetTag(int tag) = 0;
  virtual bool IsVisualControl() const = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool IsSingleLineEdit() const = 0;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual bool IsCheckBox() const = 0;
  virtual bool IsRadioButton() const = 0;
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
};

// A window: its name, its outer bounds and its owned components in
// declaration order. Each bounds setter moves or resizes the window once.
class TStateWindow {
 public:
  virtual ~TStateWindow() = default;
  virtual std::string Name() const = 0;
  virtual int Left() const = 0;
  virtual int Top() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetLeft(int value) = 0;
  virtual void SetTop(int value) = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual int ComponentCount() const = 0;
  virtual TStateComponent& Component(int index) = 0;
};

// The INI file. Texts are Shift_JIS bytes.
class TProfileStore {
 public:
  virtual ~TProfileStore() = default;
  // False when the value could not be written.
  virtual bool WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
  // The stored value, or `defaultValue` when the file, the section or the
  // key is missing.
  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) = 0;
};

// A stored text is read back with at most this many bytes.
inline constexpr std::size_t MaxStoredTextBytes = 2047;

// Integer as stored: the text is read as ReadProfileText reads it (at most
// MaxStoredTextBytes bytes), a text longer than two characters that begins
// "0x" or "0X" has those two replaced by "$" (hexadecimal), then the
// program's integer conversion applies; `defaultValue` when it fails.
std::int32_t ReadProfileInteger(TProfileStore& store, const std::string& section,
                                const std::string& key, std::int32_t defaultValue);
// Boolean as stored: an integer, non-zero for true.
bool ReadProfileBool(TProfileStore& store, const std::string& section, const std::string& key,
                     bool defaultValue);
// Text as stored, cut to at most MaxStoredTextBytes at a Shift_JIS
// character boundary.
std::string ReadProfileText(TProfileStore& store, const std::string& section,
                            const std::string& key, const std::string& defaultValue);

// The message of a failed write: "<path> に書き込めません".
std::string ProfileWriteError(std::string_view path);

// Writes the window's bounds, then for every owned component in order its
// "Tag", "Enabled" (visual controls), and "Text" (single-line edits) or
// "Checked" (check boxes, radio buttons). The first write that fails stops
// the save with TError(ProfileWriteError(path)).
void SaveControlState(TProfileStore& store, std::string_view path, TStateWindow& window);

// Reads the same entries back, each with the current value as its default,
// and applies each through the ordinary property as it is read.
void LoadControlState(TProfileStore& store, TStateWindow& window);

}  // namespace vellumark
