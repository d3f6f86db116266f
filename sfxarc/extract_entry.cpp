// SfxArc::ExtractEntry: one entry into the extraction folder.

#include <optional>
#include <vector>

#include "runtime/path_join.h"
#include "sfxarc/archive_format.h"
#include "sfxarc/entry_name_check.h"
#include "sfxarc/m_file.h"
#include "sfxarc/memory_budget.h"
#include "sfxarc/output_file.h"
#include "sfxarc/retrying_delete.h"
#include "sfxarc/sfx_arc.h"
#include "sfxarc/unpack_block.h"
#include "sfxarc/write_whole_file.h"

namespace krv::sfxarc {
namespace {

// `folder` joined with `name`: a double quote ending the folder is dropped,
// and when the folder begins with one, the result gets a closing one (the
// folder may come quoted, as it does on a command line).
std::wstring JoinEntryPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  std::wstring base = folder;
  if (base.back() == L'"') base.pop_back();
  std::wstring joined = JoinPath(base, name);
  if (folder.front() == L'"') joined += L'"';
  return joined;
}

// Whether a folder of `name` below `folder` (a component before the last)
// is a link, which would lead the file, and its removal on failure, out of
// the folder.
bool LeadsThroughLink(const std::wstring& folder, const std::wstring& name) {
  constexpr wchar_t kSeparators[] = L"\\/";
  for (size_t end = name.find_first_of(kSeparators); end != std::wstring::npos;
       end = name.find_first_of(kSeparators, end + 1)) {
    if (IsLink(SystemPath(JoinEntryPath(folder, name.substr(0, end))))) return true;
  }
  return false;
}

}  // namespace

uint32_t SfxArc::ExtractEntry(const std::wstring& folder, const SfxEntry& entry, bool unpack,
                              MemoryBudget* budget) {
  const bool has_name = !entry.name.empty();
  const bool has_extra = !entry.extra_name.empty();
  const bool unpacks = unpack || has_extra;
  // Checked before anything is read or written, and before any removal: a
  // name that leaves the folder must not delete there either. Only bytes
  // below E are covered by the signature; beyond it lie the signature block,
  // the certificate table and the end of the file.
  if (!IsSafeEntryName(entry.name) || !IsSafeEntryName(entry.extra_name) ||
      !InContent(entry.offset, entry.stored_size) || (unpacks && entry.unpacked_size > kMaxEntryUnpackedSize))
    return kArchiveDamaged;
  if (LeadsThroughLink(folder, entry.name) || LeadsThroughLink(folder, entry.extra_name)) return kCannotWriteOutput;
  const std::wstring output_path = SystemPath(JoinEntryPath(folder, entry.name));
  const std::wstring extra_path = SystemPath(JoinEntryPath(folder, entry.extra_name));

  uint32_t code = 0;
  {
    std::optional<MemoryBudget::Lease> lease;
    if (budget) lease.emplace(*budget, uint64_t{entry.stored_size} + (unpacks ? entry.unpacked_size : 0));
    const std::unique_ptr<FileBlock> stored = ReadStored(entry.offset, entry.stored_size);
    std::vector<uint8_t> unpacked;
    if (!stored) {
      code = kNotEnoughMemory;
    } else if (unpacks) {
      CMFile view;
      view.Attach(stored->data(), stored->size());
      // No more than Load saw declared, which the budget counted.
      code = UnpackBlock(view, unpacked, entry.unpacked_size);
      if (code == 0 && unpacked.empty()) code = kArchiveDamaged;
      if (code == 0 && has_extra)
        code = WriteWholeFile(extra_path, unpacked.data(), static_cast<uint32_t>(unpacked.size()));
    }
    if (code == 0 && has_name) {
      const uint8_t* source = unpack ? unpacked.data() : stored->data();
      const uint32_t size = unpack ? static_cast<uint32_t>(unpacked.size()) : stored->size();
      code = WriteWholeFile(output_path, source, size);
      // The times are a courtesy to the updater; a failure does not fail the entry.
      if (code == 0) SetFileTimes(output_path, entry.time);
    }
  }
  if (code != 0) {
    if (has_name) DeleteWithRetry(output_path);
    if (has_extra) DeleteWithRetry(extra_path);
  }
  return code;
}

}  // namespace krv::sfxarc
