#include "hosts/headless/headless_host.h"

namespace scrivlet {

HeadlessHost::HeadlessHost() : Control(Services()) {
  Control.SetPropertyChangedHandler(
      [this](std::string_view name) { PropertyChanges.emplace_back(name); });
}

ControlServices HeadlessHost::Services() {
  return {Surface,
          Bar,
          FaceMenu,
          SizeMenu,
          Clip,
          Forms,
          Colors,
          Shell,
          Display,
          Loop,
          ImageCopyServices{Messages, Files, Pictures, Settings, Loop, Display, Internet}};
}

void HeadlessHost::StartNew(std::int32_t width, std::int32_t height) {
  Control.UserControl_Initialize();
  Control.UserControl_InitProperties();
  Resize(width, height);
}

void HeadlessHost::Restore(const PropertyBag& bag, std::int32_t width, std::int32_t height) {
  Control.UserControl_Initialize();
  Control.UserControl_ReadProperties(bag);
  Resize(width, height);
}

void HeadlessHost::Resize(std::int32_t width, std::int32_t height) {
  Control.UserControl_Resize(width, height);
}

void HeadlessHost::RunPendingWork() {
  // Deferred work waits at least a millisecond; let that much time pass, as between two of the
  // user's actions.
  Loop.AdvanceBy(std::chrono::milliseconds(1));
  Loop.RunPending();
}

}  // namespace scrivlet
