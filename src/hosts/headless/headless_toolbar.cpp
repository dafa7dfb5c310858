#include "hosts/headless/headless_toolbar.h"

#include <utility>

namespace scrivlet {

class HeadlessToolbar::Entry final : public ToolbarModel::Entry {
 public:
  Entry(const HeadlessToolbar& owner, const ButtonDefinition& definition, std::int32_t serial)
      : ToolbarModel::Entry(owner, definition, serial), toolbar_(owner) {}

  std::int32_t Left() const override { return toolbar_.LeftOf(*this); }
  std::int32_t Top() const override { return kMarginPixels * kTwipsPerPixel; }
  std::int32_t Height() const override { return kButtonHeightPixels * kTwipsPerPixel; }

 private:
  const HeadlessToolbar& toolbar_;
};

namespace {

std::int32_t WidthTwips(const ToolbarButton& entry) {
  if (!entry.Visible()) {
    return 0;
  }
  const bool separator = entry.Style() == ButtonStyle::kSeparator;
  return (separator ? HeadlessToolbar::kSeparatorWidthPixels
                    : HeadlessToolbar::kButtonWidthPixels) *
         HeadlessToolbar::kTwipsPerPixel;
}

}  // namespace

HeadlessToolbar::HeadlessToolbar(SettingsStore& settings) : ToolbarModel(settings) {}

HeadlessToolbar::~HeadlessToolbar() = default;

std::unique_ptr<ToolbarModel::Entry> HeadlessToolbar::MakeEntry(const ButtonDefinition& definition,
                                                                std::int32_t serial) {
  return std::make_unique<Entry>(*this, definition, serial);
}

std::int32_t HeadlessToolbar::Height() const {
  return (kButtonHeightPixels + 2 * kMarginPixels) * kTwipsPerPixel;
}

std::int32_t HeadlessToolbar::LeftOf(const ToolbarModel::Entry& entry) const {
  std::int32_t left = 0;
  for (const auto& other : Entries()) {
    if (other.get() == &entry) {
      break;
    }
    left += WidthTwips(*other);
  }
  return left;
}

bool HeadlessToolbar::UserClick(std::string_view key) {
  return Click(Position(key));
}

bool HeadlessToolbar::UserClick(std::int32_t index) {
  return Click(Position(index));
}

bool HeadlessToolbar::UserHide(std::int32_t index) {
  const std::size_t position = Position(index);
  if (!AllowCustomize()) {
    return false;
  }
  Entries()[position]->SetVisible(false);
  RaiseChange();
  return true;
}

bool HeadlessToolbar::UserShow(std::int32_t index) {
  const std::size_t position = Position(index);
  if (!AllowCustomize()) {
    return false;
  }
  Entries()[position]->SetVisible(true);
  RaiseChange();
  return true;
}

bool HeadlessToolbar::UserMove(std::int32_t from, std::int32_t to) {
  const std::size_t source = Position(from);
  const std::size_t target = Position(to);
  if (!AllowCustomize()) {
    return false;
  }
  Move(source, target);
  RaiseChange();
  return true;
}

}  // namespace scrivlet
