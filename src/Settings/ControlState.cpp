#include "Settings/ControlState.h"

#include <string>

#include "Common/Codepage.h"
#include "Common/Error.h"
#include "Common/IntConvert.h"

namespace vellumark {
namespace {

// " に書き込めません" (cannot write to) in Shift_JIS, after the path.
constexpr std::string_view WriteErrorSuffix =
    " \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1";

std::string SectionOf(TStateWindow& window, const std::string& second) {
  return window.Name() + "." + second;
}

class TWriter {
 public:
  TWriter(TProfileStore& store, std::string_view path) : store_(store), path_(path) {}
  void Write(const std::string& section, const std::string& key, const std::string& value) {
    if (!store_.WriteString(section, key, value)) throw TError(ProfileWriteError(path_));
  }
  void WriteInteger(const std::string& section, const std::string& key, int value) {
    Write(section, key, std::to_string(value));
  }
  void WriteBool(const std::string& section, const std::string& key, bool value) {
    Write(section, key, value ? "1" : "0");
  }

 private:
  TProfileStore& store_;
  std::string_view path_;
};

}  // namespace

std::int32_t ReadProfileInteger(TProfileStore& store, const std::string& section,
                                const std::string& key, std::int32_t defaultValue) {
  // Read like a text, so only the first MaxStoredTextBytes bytes count.
  std::string text = ReadProfileText(store, section, key, std::string());
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.replace(0, 2, 1, '$');
  }
  return StrToIntDef(text, defaultValue);
}

bool ReadProfileBool(TProfileStore& store, const std::string& section, const std::string& key,
                     bool defaultValue) {
  return ReadProfileInteger(store, section, key, defaultValue ? 1 : 0) != 0;
}

std::string ReadProfileText(TProfileStore& store, const std::string& section,
                            const std::string& key, const std::string& defaultValue) {
  std::string text = store.ReadString(section, key, defaultValue);
  // Cut at a character boundary: a lead byte whose trail byte lies beyond
  // the limit goes too, instead of becoming a broken character.
  text.resize(SjisPrefix(text, MaxStoredTextBytes).size());
  return text;
}

std::string ProfileWriteError(std::string_view path) {
  std::string message(path);
  message += WriteErrorSuffix;
  return message;
}

void SaveControlState(TProfileStore& store, std::string_view path, TStateWindow& window) {
  TWriter writer(store, path);
  const std::string own = SectionOf(window, window.Name());
  writer.WriteInteger(own, "Top", window.Top());
  writer.WriteInteger(own, "Left", window.Left());
  writer.WriteInteger(own, "Width", window.Width());
  writer.WriteInteger(own, "Height", window.Height());
  for (int i = 0; i < window.ComponentCount(); ++i) {
    TStateComponent& component = window.Component(i);
    const std::string section = SectionOf(window, component.Name());
    writer.WriteInteger(section, "Tag", component.Tag());
    if (component.IsVisualControl()) writer.WriteBool(section, "Enabled", component.Enabled());
    if (component.IsSingleLineEdit()) {
      writer.Write(section, "Text", component.Text());
    } else if (component.IsCheckBox() || component.IsRadioButton()) {
      writer.WriteBool(section, "Checked", component.Checked());
    }
  }
}

void LoadControlState(TProfileStore& store, TStateWindow& window) {
  const std::string own = SectionOf(window, window.Name());
  window.SetTop(ReadProfileInteger(store, own, "Top", window.Top()));
  window.SetLeft(ReadProfileInteger(store, own, "Left", window.Left()));
  window.SetWidth(ReadProfileInteger(store, own, "Width", window.Width()));
  window.SetHeight(ReadProfileInteger(store, own, "Height", window.Height()));
  for (int i = 0; i < window.ComponentCount(); ++i) {
    TStateComponent& component = window.Component(i);
    const std::string section = SectionOf(window, component.Name());
    component.SetTag(ReadProfileInteger(store, section, "Tag", component.Tag()));
    if (component.IsVisualControl()) {
      component.SetEnabled(ReadProfileBool(store, section, "Enabled", component.Enabled()));
    }
    if (component.IsSingleLineEdit()) {
      component.SetText(ReadProfileText(store, section, "Text", component.Text()));
    } else if (component.IsCheckBox() || component.IsRadioButton()) {
      component.SetChecked(ReadProfileBool(store, section, "Checked", component.Checked()));
    }
  }
}

}  // namespace vellumark
