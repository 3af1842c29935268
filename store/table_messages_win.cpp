#include "store/table_messages_win.h"

#include "base/encoding_win.h"
#include "store/store_texts.h"

namespace quorrel {
namespace {

bool Exists(const Text& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A path at the system's limit leaves no room for the table's temporary file.
bool TooLong(TableOutcome outcome, const Text& tablePath) {
  return outcome != TableOutcome::kBusy && outcome != TableOutcome::kNoFreePid && outcome != TableOutcome::kTooBig &&
         tablePath.size() >= MAX_PATH;
}

}  // namespace

bool IsReadOnlyFile(const Text& path) {
  const DWORD attrs = GetFileAttributesA(path.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY) && (attrs & FILE_ATTRIBUTE_READONLY);
}

std::string WriteAdviceFor(const Text& path, std::string_view again) {
  return store_texts::WriteAdvice(IsReadOnlyFile(path), again);
}

std::wstring TableOutcomeText(TableOutcome outcome, const Text& tablePath, std::string_view again) {
  const std::string path = WideToUtf8(AnsiToWide(tablePath));
  if (TooLong(outcome, tablePath)) return Utf8ToWide(store_texts::PathTooLong(path));
  switch (outcome) {
    case TableOutcome::kOpened:
    case TableOutcome::kCreated:
    case TableOutcome::kRecovered:
    case TableOutcome::kPresent:
      return {};
    case TableOutcome::kCannotOpen: return Utf8ToWide(store_texts::CannotOpen(path));
    case TableOutcome::kCannotCreate: return Utf8ToWide(store_texts::CannotCreate(path));
    case TableOutcome::kBusy: return Utf8ToWide(store_texts::Busy(path, again));
    case TableOutcome::kDiskFull:
      // No table yet (a first start on a full disk): there is none to be left as it was.
      return Utf8ToWide(Exists(tablePath) ? store_texts::DiskFull(path, again) : store_texts::CreateDiskFull(path, again));
    case TableOutcome::kWriteFailed:
      return Utf8ToWide(store_texts::WriteFailed(path, IsReadOnlyFile(tablePath), again));
    case TableOutcome::kNoFreePid: return Utf8ToWide(store_texts::kNoFreePid);
    case TableOutcome::kTooBig: return Utf8ToWide(store_texts::kTooBig);
  }
  return {};
}

std::wstring ListReadText(TableOutcome outcome, const Text& tablePath) {
  if (outcome == TableOutcome::kBusy) return Utf8ToWide(store_texts::ListBusy(WideToUtf8(AnsiToWide(tablePath))));
  return TableOutcomeText(outcome, tablePath, store_texts::kRefresh);
}

void TellTableOutcome(HWND owner, const char* titleUtf8, std::string_view whatFailedUtf8, TableOutcome outcome,
                      const Text& tablePath, std::string_view again) {
  const std::wstring why = TableOutcomeText(outcome, tablePath, again);
  if (why.empty()) return;
  const std::wstring text = Utf8ToWide(whatFailedUtf8) + L"\r\n\r\n" + why;
  MessageBoxW(owner, text.c_str(), Utf8ToWide(titleUtf8).c_str(), MB_OK | MB_ICONWARNING);
}

}  // namespace quorrel
