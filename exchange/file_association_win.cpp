#include "exchange/file_association_win.h"

namespace quorrel {

void UpdateFileAssociation(std::string_view, std::string_view, std::string_view, std::string_view,
                           std::string_view) {}

}  // namespace quorrel
