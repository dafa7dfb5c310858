#include "hosts/headless/memory_rich_text_box.h"

#include "platform/rich_text_box_contract.h"

namespace scrivlet {

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RichTextBoxContract, MemoryRichTextBox);

}  // namespace scrivlet
