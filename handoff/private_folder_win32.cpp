#include "handoff/private_folder.h"

#include <windows.h>

#include <vector>

#include "runtime/scoped_handle.h"

namespace krv::handoff {
namespace {

constexpr BYTE kInheritedByContent = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

// The user SID of the process token in `buffer` (a TOKEN_USER). False with
// the system's last error when the token cannot be read.
bool ReadTokenUser(std::vector<unsigned char>* buffer) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  const os::scoped_handle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return false;
  buffer->assign(size, 0);
  return GetTokenInformation(token.get(), TokenUser, buffer->data(), size, &size) != 0;
}

}  // namespace

bool CreatePrivateFolder(const std::wstring& path) {
  std::vector<unsigned char> token_user;
  if (!ReadTokenUser(&token_user)) return false;
  PSID user = reinterpret_cast<TOKEN_USER*>(token_user.data())->User.Sid;

  unsigned char system_buffer[SECURITY_MAX_SID_SIZE] = {};
  PSID system = system_buffer;
  DWORD system_size = sizeof system_buffer;
  if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &system_size)) return false;

  // A process that runs as SYSTEM gets one entry, not the same one twice.
  const bool user_is_system = EqualSid(user, system) != 0;
  std::vector<unsigned char> acl_buffer(sizeof(ACL) + 2 * sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(user) +
                                        GetLengthSid(system));
  auto* acl = reinterpret_cast<ACL*>(acl_buffer.data());
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeAcl(acl, static_cast<DWORD>(acl_buffer.size()), ACL_REVISION) ||
      !AddAccessAllowedAceEx(acl, ACL_REVISION, kInheritedByContent, FILE_ALL_ACCESS, user) ||
      (!user_is_system && !AddAccessAllowedAceEx(acl, ACL_REVISION, kInheritedByContent, FILE_ALL_ACCESS, system)) ||
      !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
      !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
    return false;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  return CreateDirectoryW(path.c_str(), &attributes) != 0;
}

}  // namespace krv::handoff
