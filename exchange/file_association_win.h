// The ".Pw" file type in the registry, so that opening an account file starts the program.
#pragma once

#include <string_view>

namespace quorrel {

// Sets the association to programPath (the program's full path) when it is not empty
// after trimming spaces, removes it otherwise. extensionList: extensions without dots,
// separated by "|". Nothing is reported to the user; the shell is told in every case.
void UpdateFileAssociation(std::string_view programPath, std::string_view extensionList, std::string_view iconPath,
                           std::string_view typeDescription, std::string_view typeName);

}  // namespace quorrel
