#include "store/table_messages_win.h"

#include "base/encoding_win.h"
#include "store/store_texts.h"

namespace quorrel {

std::wstring TableOutcomeText(TableOutcome outcome, const Text& tablePath) {
  const std::string path = WideToUtf8(AnsiToWide(tablePath));
  // A path at the system's limit leaves no room for the table's temporary file.
  if (outcome != TableOutcome::kBusy && outcome != TableOutcome::kNoFreePid && outcome != TableOutcome::kTooBig &&
      tablePath.size() >= MAX_PATH) {
    return Utf8ToWide(store_texts::PathTooLong(path));
  }
  switch (outcome) {
    case TableOutcome::kOpened:
    case TableOutcome::kCreated:
    case TableOutcome::kRecovered:
    case TableOutcome::kPresent:
      return {};
    case TableOutcome::kCannotOpen: return Utf8ToWide(store_texts::CannotOpen(path));
    case TableOutcome::kCannotCreate: return Utf8ToWide(store_texts::CannotCreate(path));
    case TableOutcome::kBusy: return Utf8ToWide(store_texts::Busy(path));
    case TableOutcome::kDiskFull: return Utf8ToWide(store_texts::DiskFull(path));
    case TableOutcome::kWriteFailed: return Utf8ToWide(store_texts::WriteFailed(path));
    case TableOutcome::kNoFreePid: return Utf8ToWide(store_texts::kNoFreePid);
    case TableOutcome::kTooBig: return Utf8ToWide(store_texts::kTooBig);
  }
  return {};
}

void TellTableOutcome(HWND owner, const char* titleUtf8, std::string_view whatFailedUtf8, TableOutcome outcome,
                      const Text& tablePath) {
  const std::wstring why = TableOutcomeText(outcome, tablePath);
  if (why.empty()) return;
  const std::wstring text = Utf8ToWide(whatFailedUtf8) + L"\r\n\r\n" + why;
  MessageBoxW(owner, text.c_str(), Utf8ToWide(titleUtf8).c_str(), MB_OK | MB_ICONWARNING);
}

}  // namespace quorrel
