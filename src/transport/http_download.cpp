#include "transport/http_download.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "foundation/alloc.h"
#include "foundation/case_compare.h"
#include "foundation/log.h"
#include "foundation/print_format.h"
#include "foundation/program_clock.h"
#include "foundation/translated_format.h"
#include "platform/file_copy.h"
#include "platform/file_mode.h"
#include "platform/filesystem.h"
#include "transport/download_support.h"
#include "transport/file.h"
#include "transport/http_connection_pool.h"
#include "transport/http_header_file.h"
#include "transport/http_request.h"
#include "transport/md5.h"
#include "transport/real_tcp_connection.h"

const char kDefaultModifiedSince[] = "Thu, 28 Apr 1994 14:00:00 GMT";

namespace {
// Local files are read raw: never from the CD path, never in a language variant.
class RawReadFile : public File {
 public:
  const char* ModeString() override { return "Nrb"; }
};

// A figure in whole megabytes for a message (rounded up for what is
// needed, down for what is free), in full.
std::string Megabytes(long long bytes, bool roundUp) {
  return std::to_string((bytes + (roundUp ? (1 << 20) - 1 : 0)) >> 20);
}

// Passes through the 64000-byte buffer per Update before returning, so that a
// fast sender cannot keep one call busy indefinitely.
constexpr int kMaxPassesPerUpdate = 64;
// The length of a local file as stored (not through the compressed-file
// reader), or -1 when there is none.
long long RawFileSize(const char* name) {
  std::error_code ec;
  auto size = std::filesystem::file_size(PlatNativePath(name), ec);
  if (ec) return -1;
  return static_cast<long long>(size);
}

bool ReadWholeFile(const char* name, std::string* text) {
  RawReadFile f;
  if (!f.Open(name, 0)) return false;
  char block[4096];
  unsigned n;
  while ((n = f.Read(block, 1, sizeof block)) > 0) text->append(block, n);
  return true;
}

bool WriteWholeFile(const char* name, const std::string& text) {
  return ::WriteWholeFile(name, text.data(), text.size());
}

bool Concatenate(char* out, const char* a, const char* b, const char* c) {
  size_t la = std::strlen(a), lb = std::strlen(b), lc = std::strlen(c);
  if (la + lb + lc >= size_t(kLocalNameSize)) return false;
  std::memcpy(out, a, la);
  std::memcpy(out + la, b, lb);
  std::memcpy(out + la + lb, c, lc + 1);
  return true;
}

// The message texts are catalogue keys and use "%i"; the program's formatter
// knows the same conversion as "%d". The translation is used only when its
// directives match the English text's.
std::string FormatOfTranslation(const char* english) {
  std::string f = GetFormatString(english);
  for (size_t i = 0; i + 1 < f.size(); ++i) {
    if (f[i] == '%' && f[i + 1] == '%') {
      ++i;
    } else if (f[i] == '%' && f[i + 1] == 'i') {
      f[i + 1] = 'd';
    }
  }
  return f;
}
}  // namespace

void FileDownload::SetErrorString(const char* text) {
  std::strncpy(error_text, text, sizeof error_text - 1);
  error_text[sizeof error_text - 1] = '\0';
}

void FileDownload::NameTheAddress() {
  // The address asked for last: after a redirect, where the server sent us.
  const std::string& address = current_url_.empty() ? shown_url_ : current_url_;
  if (address.empty()) return;
  const size_t used = std::strlen(error_text);
  std::snprintf(error_text + used, sizeof error_text - used, " (%s)", address.c_str());
}

void FileDownload::SetError(const char* englishFormat, ...) {
  std::string format = FormatOfTranslation(englishFormat);
  va_list args;
  va_start(args, englishFormat);
  VSNPrintF(error_text, sizeof error_text, format.c_str(), args);
  va_end(args);
}

int FileDownload::VFailed(DownloadState newState, const char* englishFormat, va_list args) {
  std::string format = FormatOfTranslation(englishFormat);
  VSNPrintF(error_text, sizeof error_text, format.c_str(), args);
  state = newState;
  finished_state_ = kDownloadFailed;
  return kDownloadFailed;
}

int FileDownload::Failed(DownloadState newState, const char* englishFormat, ...) {
  va_list args;
  va_start(args, englishFormat);
  VFailed(newState, englishFormat, args);
  va_end(args);
  return kDownloadFailed;
}

int FileDownload::FailAndLog(const char* englishFormat, ...) {
  va_list args;
  va_start(args, englishFormat);
  VFailed(kDownloadStateFailed, englishFormat, args);
  va_end(args);
  Log("%s", error_text);
  return kDownloadFailed;
}

FileDownload::FileDownload(const char* urlText, const char* name, int flagBits, const char* credentialText,
                           const char* directoryText, const unsigned char* digest) {
  flags = flagBits;
  receive_buffer[0] = header_copy[0] = host[0] = request_path[0] = request[0] = '\0';
  directory[0] = result_name[0] = temp_name[0] = header_name[0] = destination[0] = error_text[0] = '\0';
  state = kDownloadStateSetupFailed;
  if (digest) {
    expected_digest = static_cast<unsigned char*>(MustAlloc(kMD5Size));
    std::memcpy(expected_digest, digest, kMD5Size);
  }
  if (!SetLocalNames(directoryText ? directoryText : "", name ? name : "")) return;
  MakeDirLevels(destination);
  url = StrDup(urlText ? urlText : "", "FileDownload URL");
  for (char* p = url; *p; ++p)
    if (*p == '\\') *p = '/';
  credential = StrDup(credentialText, "FileDownload credential");
  PlanFromLeftovers();

  const char* shownUrl = urlText ? urlText : "";
  char hostName[256];
  uint16_t serverPort = 80;
  if (!SplitTheUrl(shownUrl, hostName, sizeof hostName, &serverPort)) return;
  host_name_ = hostName;
  shown_url_ = shownUrl;
  server_port_ = serverPort;
  keep_alive_ = MaxConnections > 1;
  if (!ConnectToOrigin(url_parts.parts[url_parts.host_index])) return;

  state = kDownloadStateReadyToSend;
  if (!(flags & kDownloadUnconditional) && (!last_modified || partial)) {
    GRTFree(last_modified);
    last_modified = StrDup(kDefaultModifiedSince, "FileDownload last-modified");
  }
  last_connect_time = GetTimerCount();
}

bool FileDownload::SetLocalNames(const char* directoryText, const char* name) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%lu", GetTimerCount());
  std::string tmpSuffix = std::string(".tmp") + stamp;
  if (std::strlen(directoryText) >= sizeof directory || !Concatenate(destination, directoryText, name, "") ||
      !Concatenate(result_name, directoryText, name, ".res") ||
      !Concatenate(header_name, directoryText, name, ".hdr") ||
      !Concatenate(temp_name, directoryText, name, tmpSuffix.c_str())) {
    std::string whole = std::string(directoryText) + name;
    Failed(kDownloadStateSetupFailed, "Local file name %s is too long.", whole.c_str());
    return false;
  }
  std::strcpy(directory, directoryText);
  return true;
}

void FileDownload::PlanFromLeftovers() {
  long long resSize = RawFileSize(result_name);
  leftover_size = resSize > 0 ? resSize : 0;
  HeaderFileInfo stored;
  std::string hdrText;
  if (ReadWholeFile(header_name, &hdrText)) stored = ParseHeaderFileText(hdrText);
  if (stored.has_content_length) {
    recorded_length = stored.content_length;
    if (!(flags & kDownloadNoPartial) && leftover_size != 0 && leftover_size < stored.content_length) partial = 1;
  }
  // A leftover .res means the last transfer did not end in place, so its
  // header cannot vouch for the destination. It is resumed when it can be
  // validated, and otherwise fetched whole.
  if (partial && !(flags & kDownloadUnconditional) && stored.has_last_modified) {
    resume_from_ = leftover_size;
    resume_validator_ = StrDup(stored.last_modified.c_str(), "FileDownload validator");
  } else {
    partial = 0;
    if (!(flags & kDownloadUnconditional) && resSize < 0 && stored.has_last_modified && PlatFileExists(destination))
      last_modified = StrDup(stored.last_modified.c_str(), "FileDownload last-modified");
  }
  if (!partial) leftover_size = 0;
}

bool FileDownload::SplitTheUrl(const char* shownUrl, char* hostName, size_t hostNameSize, uint16_t* serverPort) {
  char* split = StrDup(url, "FileDownload URL parts");
  bool splitOk = SplitUrl(split, &url_parts);
  // The parts point into split, which lives as long as the URL copy does.
  GRTFree(url);
  url = split;
  if (!splitOk) {
    Failed(kDownloadStateSetupFailed, "URL %s is too long or has too many parts.", shownUrl);
    return false;
  }
  const char* hostPart = url_parts.parts[url_parts.host_index];
  if (std::strlen(hostPart) >= sizeof host || !SplitHostPort(hostPart, hostName, hostNameSize, serverPort)) {
    Failed(kDownloadStateSetupFailed, "Bad server address in URL %s.", shownUrl);
    return false;
  }
  return true;
}

bool FileDownload::ResolveServer(const char* shownUrl, const char* hostName) {
  if (ProxyServer) {
    server_addresses_ = GetAddressesFromName(ProxyServer);
    server_address = server_addresses_.empty() ? NodeAddress{} : server_addresses_.front();
    if (server_address.IsZero()) {
      Failed(kDownloadStateSetupFailed,
             "Could not resolve proxy server address %s, please ensure your connection settings are correct.",
             ProxyServer);
      return false;
    }
    return true;
  }
  server_addresses_ = GetAddressesFromName(hostName);
  server_address = server_addresses_.empty() ? NodeAddress{} : server_addresses_.front();
  if (server_address.IsZero()) {
    Failed(kDownloadStateSetupFailed,
           "Could not resolve server address %s, the server may be down or you may be having problems with your "
           "connection to the Internet.",
           shownUrl);
    return false;
  }
  return true;
}

bool FileDownload::ConnectToOrigin(const std::string& hostPart) {
  origin_ = HttpOriginKey(hostPart.c_str(), ProxyServer != nullptr);
  connection = keep_alive_ ? HttpConnections().Take(origin_) : nullptr;
  reused_ = connection != nullptr;
  return connection || OpenServerConnection();
}

bool FileDownload::OpenServerConnection() {
  if (!ResolveServer(shown_url_.c_str(), host_name_.c_str())) return false;
  // A SOCKS proxy carries only direct connections.
  bool viaProxy = ProxyServer != nullptr;
  return OpenConnection(viaProxy ? uint16_t(ProxyPort) : server_port_, viaProxy);
}

void FileDownload::ForgetAnswer() {
  delete temp_file;
  temp_file = nullptr;
  if (temp_is_ours_) PlatRemoveFile(temp_name);
  temp_is_ours_ = false;
  header_.Reset();
  header_seen = 0;
  interim_bytes_ = 0;
  received_ = 0;
}

int FileDownload::SendAgainOnNewConnection() {
  sent_again_ = true;
  reused_ = false;
  delete connection;
  connection = nullptr;
  ForgetAnswer();
  if (!OpenServerConnection()) return kDownloadFailed;
  state = kDownloadStateReadyToSend;
  last_connect_time = GetTimerCount();
  return kDownloadWaiting;
}

int FileDownload::FollowRedirect(int code) {
  if (current_url_.empty()) {
    char path[kHttpRequestSize];
    if (!BuildRequestPath(url_parts, false, path, sizeof path))
      return FailAndLog("URL %s is too long or has too many parts.", shown_url_.c_str());
    current_url_ = std::string("http://") + url_parts.parts[url_parts.host_index] + path;
    visited_.push_back(current_url_);
  }
  std::string location, next, why;
  if (!FindHttpHeaderField(header_.header(), "Location", &location))
    return FailAndLog("The server redirected %s (Code %i) without saying where to.", current_url_.c_str(), code);
  if (!ResolveHttpLocation(current_url_, location, &next, &why))
    return FailAndLog("The server redirected %s to %s, which cannot be followed: %s.", current_url_.c_str(),
                      location.c_str(), why.c_str());
  for (const std::string& seen : visited_)
    if (seen == next)
      return FailAndLog("The server redirected %s in a loop, back to %s.", shown_url_.c_str(), next.c_str());
  if (int(visited_.size()) > kMaxRedirects)
    return FailAndLog("The server redirected %s more than %i times; the last address was %s.", shown_url_.c_str(),
                      kMaxRedirects, next.c_str());
  std::string authority, target;
  char name[256];
  uint16_t port = 80;
  if (!SplitAbsoluteHttpUrl(next, &authority, &target) || next.size() >= kHttpRequestSize ||
      !SplitHostPort(authority.c_str(), name, sizeof name, &port))
    return FailAndLog(
        "The server redirected %s to %s, which cannot be followed: the address is not one this "
        "program can reach.",
        current_url_.c_str(), next.c_str());
  visited_.push_back(next);
  current_url_ = next;
  redirect_target_ = target;
  redirect_host_ = authority;
  host_name_ = name;
  server_port_ = port;
  // A redirect whose short body came whole with its header leaves the
  // connection ready for the next request (to the new address, when it is on
  // the same server); one whose body is still coming is not waited for.
  long long length = -1;
  const std::string& header = header_.header();
  if (ClassifyTransferCoding(header) == kTransferIdentity && ParseContentLength(header, &length) == kContentLengthOk &&
      length == static_cast<long long>(received_))
    KeepConnection();
  delete connection;
  connection = nullptr;
  ForgetAnswer();
  sent_again_ = false;
  if (!ConnectToOrigin(authority)) return kDownloadFailed;
  state = kDownloadStateReadyToSend;
  last_connect_time = GetTimerCount();
  return kDownloadWaiting;
}

void FileDownload::KeepConnection() {
  if (!reusable_ || !connection || !(connection->flags & sockflags_connected) ||
      (connection->flags & sockflags_fatal_error))
    return;
  HttpConnections().Give(origin_, connection);
  connection = nullptr;
}

bool FileDownload::OpenConnection(uint16_t port, bool viaProxy) {
  connection = new RealTCPConnection(port, server_addresses_, 0, viaProxy ? 1 : 0);
  if (*connection) return true;
  unsigned f = connection->flags;
  if (f & sockflags_hostlookup_failed) Failed(kDownloadStateSetupFailed, "Could not get host by name.");
  else if (f & sockflags_bind_failed)
    Failed(kDownloadStateSetupFailed, "Could not initialize a connection: Failed to bind socket.");
  else if (f & sockflags_connect_failed)
    Failed(kDownloadStateSetupFailed, "Could not initialize a connection: Could not connect.");
  else if (f & sockflags_listen_failed)
    Failed(kDownloadStateSetupFailed, "Could not initialize a connection: Listen failed.");
  else Failed(kDownloadStateSetupFailed, "Unknown connection initialization error, flags: %i", int(f));
  NameTheAddress();
  return false;
}

FileDownload::~FileDownload() {
  Reset(0);
  GRTFree(expected_digest);
  expected_digest = nullptr;
}

void FileDownload::Reset(int removeTemp) {
  // A body cut off here (a cancel) stays as a leftover to resume, as after
  // any other interruption.
  if (body_file_ && state == kDownloadStateReceiving) SavePartial();
  // A body that arrived whole but was never put in place (its owner held the
  // transfer before the last step) is kept only where a ranged request can
  // take it up; otherwise nothing would ever clear it.
  else if (state == kDownloadStateAllIn && !Resumable()) DeleteResultFiles();
  delete body_file_;
  body_file_ = nullptr;
  server_address = NodeAddress{};
  server_addresses_.clear();
  receive_buffer[0] = header_copy[0] = request[0] = '\0';
  GRTFree(credential);
  credential = nullptr;
  GRTFree(url);
  url = nullptr;
  url_parts = HttpUrlParts{};
  GRTFree(last_modified);
  last_modified = nullptr;
  GRTFree(resume_validator_);
  resume_validator_ = nullptr;
  delete connection;
  connection = nullptr;
  delete temp_file;
  temp_file = nullptr;
  // Only a temp file this transfer made: one found in place belongs to
  // another copy of the program, still writing it.
  if (removeTemp && temp_name[0] && temp_is_ours_) PlatRemoveFile(temp_name);
  temp_is_ours_ = false;
  header_.Reset();
  interim_bytes_ = 0;
}

bool FileDownload::WaitItem(PlatPollItem* item) const {
  // Addresses racing to connect are waited on as one.
  if (connection && connection->Connecting() && state == kDownloadStateReadyToSend) {
    *item = {connection->RaceWaitHandle(), true, false, false, false, false};
    return true;
  }
  // All in is finished by the next Update without any socket event.
  if (!connection || !connection->socket || state == kDownloadStateAllIn || state == kDownloadStateEnded ||
      state == kDownloadStateSetupFailed || state == kDownloadStateFailed)
    return false;
  // A SOCKS step that sends is due at once.
  if ((connection->flags & sockflags_proxy_tcp_connected) &&
      (connection->socks_state == kSocksSendGreeting || connection->socks_state == kSocksSendConnect))
    return false;
  *item = {connection->socket,
           true,
           !(connection->flags & sockflags_connected) || state == kDownloadStateReadyToSend,
           false,
           false,
           false};
  if (connection->flags & sockflags_proxy_tcp_connected) item->wantWrite = false;
  return true;
}

void FileDownload::WaitForActivity(int ms) {
  PlatPollItem item;
  if (WaitItem(&item)) PlatSocketPoll(&item, 1, ms);
}

int FileDownload::Update(int& percent) {
  const int result = Step(percent);
  // The process-wide figures describe the transfer updated last.
  TotalAmtRecieved = received_;
  ContentLength = content_length_;
  FinishedState = finished_state_;
  return result;
}

int FileDownload::Step(int& percent) {
  switch (state) {
    case kDownloadStateEnded: return finished_state_;
    case kDownloadStateSetupFailed:
    case kDownloadStateFailed: return kDownloadFailed;
    // All in: the connection may already be back in the pool.
    case kDownloadStateAllIn: return Finish(false);
    default: break;
  }
  if (!connection) return kDownloadFailed;

  // The connect (and any SOCKS exchange) goes on until it is up, fails or times out.
  connection->TryToConnect();
  if (!(connection->flags & sockflags_connected)) {
    bool fatal = (connection->flags & sockflags_fatal_error) != 0;
    if (fatal && reused_ && !sent_again_ && answer_bytes_ == 0) return SendAgainOnNewConnection();
    if (!fatal && GetTimerCount() - last_connect_time <= static_cast<unsigned long>(kDownloadTimeoutSeconds) * Second)
      return kDownloadWaiting;
    if (fatal) SetError("Server is unavailable.");
    else SetError("Connection timed out, please check your connection to the Internet.");
    NameTheAddress();
    if (state == kDownloadStateReceiving) SavePartial();
    state = kDownloadStateFailed;
    finished_state_ = kDownloadFailed;
    return kDownloadFailed;
  }

  // Connected: send, receive or finish.
  last_connect_time = GetTimerCount();
  switch (state) {
    case kDownloadStateReadyToSend: return SendRequest();
    case kDownloadStateReceiving: return ReceivePasses(percent);
    default: return kDownloadFailed;
  }
}

int FileDownload::SendRequest() {
  bool viaProxy = ProxyServer != nullptr;
  if (!redirect_target_.empty()) {
    // A redirected request goes to the address as the server gave it.
    const std::string& target = viaProxy ? current_url_ : redirect_target_;
    if (target.size() >= sizeof request_path || redirect_host_.size() >= sizeof host)
      return Failed(kDownloadStateFailed, "URL %s is too long or has too many parts.", destination);
    std::strcpy(request_path, target.c_str());
    std::strcpy(host, redirect_host_.c_str());
  } else {
    if (!BuildRequestPath(url_parts, viaProxy, request_path, sizeof request_path))
      return Failed(kDownloadStateFailed, "URL %s is too long or has too many parts.", destination);
    std::strcpy(host, url_parts.parts[url_parts.host_index]);
  }
  HttpRequestFields fields;
  fields.path = request_path;
  fields.host = host;
  fields.via_proxy = viaProxy;
  fields.proxy_authentication = viaProxy ? ProxyAuthentication : nullptr;
  fields.if_modified_since = last_modified;
  fields.keep_alive = keep_alive_;
  if (resume_from_ > 0) {
    fields.range_start = resume_from_;
    fields.if_range = resume_validator_;
  }
  if (FormatHttpRequest(request, sizeof request, fields) < 0)
    return Failed(kDownloadStateFailed, "URL %s is too long or has too many parts.", destination);

  if (PlatFileExists(temp_name))
    return Failed(kDownloadStateFailed,
                  "Temp file %s exists, make sure you do not have two copies of the program running.", temp_name);
  OutputFile* out = new OutputFile();
  if (!out->Open(temp_name, 0)) {
    delete out;
    Log("Unable to open tmp file %s for output", temp_name);
    return Failed(kDownloadStateFailed, "Unable to open tmp file %s for output", temp_name);
  }
  temp_file = out;
  temp_is_ours_ = true;
  answer_bytes_ = 0;
  rate_samples_.clear();
  rate_samples_.emplace_back(GetTimerCount(), 0ull);
  if (connection->Send(request, std::strlen(request)) < 0 && reused_ && !sent_again_) return SendAgainOnNewConnection();

  state = kDownloadStateReceiving;
  header_seen = 0;
  header_.Reset();
  interim_bytes_ = 0;
  content_length_ = -1;
  received_ = 0;
  last_data_time = GetTimerCount();
  return kDownloadWaiting;
}

bool FileDownload::WriteTemp(const char* data, unsigned long length) {
  if (!length) return true;
  return temp_file && temp_file->Write(data, 1, unsigned(length)) == length;
}

bool FileDownload::WritePass(unsigned long got) {
  // Until the header is complete everything received is header.
  const unsigned long split = header_seen ? static_cast<unsigned long>(pass_body_start_) : got;
  bool ok = WriteTemp(receive_buffer, split);
  const unsigned long body = got - split;
  if (ok && body) ok = body_file_ && body_file_->Write(receive_buffer + split, 1, unsigned(body)) == body;
  // A body that could not be written whole is no prefix to resume from.
  if (!ok) {
    DropBody();
    FailAndLog("Error writing file %s for download, you could be out of disk space or the file is currently in use.",
               destination);
    return false;
  }
  body_written_ += (long long)body;
  // Without an announced length nothing was checked before the body began:
  // the free space is looked at as the body grows.
  if (content_length_ < 0 && body_written_ >= next_space_check_) {
    next_space_check_ = body_written_ + (1 << 20);
    const long long free = PlatFreeDiskBytes(PlatNativePath(result_name));
    if (free >= 0 && free < kMinFreeBytesWhileUnsized) {
      DropBody();
      FailAndLog("The download of %s was stopped because less than %d MB are free on its disk.", destination,
                 int(kMinFreeBytesWhileUnsized >> 20));
      return false;
    }
  }
  return true;
}

int FileDownload::StartBody() {
  // A length the disk cannot hold is refused before any of it is written.
  if (content_length_ > 0) {
    const long long free = PlatFreeDiskBytes(PlatNativePath(result_name));
    if (free >= 0 && content_length_ > free)
      return FailAndLog("There is not enough disk space to download %s: %s MB are needed and %s MB are free.",
                        destination, Megabytes(content_length_, true).c_str(), Megabytes(free, false).c_str());
  }
  File* out = appending_ ? static_cast<File*>(new AppendFile()) : static_cast<File*>(new OutputFile());
  if (!out->Open(result_name, 0)) {
    delete out;
    return FailAndLog("Unable to open destination file %s for output.", result_name);
  }
  body_file_ = out;
  body_fresh_ = !appending_;
  body_written_ = 0;
  next_space_check_ = 0;
  // A body that a later ranged request can continue gets its header now: a
  // transfer cut off by a kill then resumes too. The .res beside it keeps the
  // header from vouching for the destination (PlanFromLeftovers).
  if (status_code_ == 200 && response_has_date_ && content_length_ > 0 &&
      !(flags & (kDownloadUnconditional | kDownloadNoPartial)))
    WriteWholeFile(header_name, HeaderFileText(header_.header()));
  return kDownloadFlowing;
}

void FileDownload::DropBody() {
  if (!body_file_) return;
  CloseBody();
  // A continued leftover goes back to what it held before this answer, which
  // a later request can still continue; a body started anew goes whole.
  std::error_code ec;
  if (!body_fresh_ && resume_from_ > 0) std::filesystem::resize_file(PlatNativePath(result_name), resume_from_, ec);
  if (body_fresh_ || ec) DeleteResultFiles();
}

bool FileDownload::CloseBody() {
  if (!body_file_) return true;
  const bool flushed = body_file_->Close();
  delete body_file_;
  body_file_ = nullptr;
  return flushed;
}

void FileDownload::RestartClocks() {
  last_data_time = GetTimerCount();
  rate_samples_.clear();
  rate_samples_.emplace_back(last_data_time, answer_bytes_);
}

bool FileDownload::TooSlow() {
  if (MinTransferRate <= 0) return false;
  const unsigned long now = GetTimerCount(), window = static_cast<unsigned long>(kTransferRateWindowSeconds) * Second;
  if (rate_samples_.empty() || now - rate_samples_.back().first >= static_cast<unsigned long>(Second))
    rate_samples_.emplace_back(now, answer_bytes_);
  // The oldest sample kept is the newest one at least a window old.
  while (rate_samples_.size() > 1 && now - rate_samples_[1].first >= window) rate_samples_.pop_front();
  const auto& [since, bytes] = rate_samples_.front();
  return now - since >= window &&
         answer_bytes_ - bytes < static_cast<unsigned long long>(MinTransferRate) * kTransferRateWindowSeconds;
}

int FileDownload::ReceivePasses(int& percent) {
  for (int pass = 0; pass < kMaxPassesPerUpdate; ++pass) {
    bool closed = false;
    unsigned long got = ReceivePass(&closed);
    // A kept connection the server had already given up: not an answer, and
    // no failure of the file's.
    if (closed && got == 0 && answer_bytes_ == 0 && reused_ && !sent_again_) return SendAgainOnNewConnection();
    if (got == 0 && !closed) return OnQuietPass(percent);
    if (got) {
      last_data_time = GetTimerCount();
      received_ += got;
      answer_bytes_ += got;
    }
    pass_body_start_ = 0;
    if (!header_seen && got) {
      int result = ScanForHeader(got, percent);
      if (result != kDownloadFlowing) return result;
    }
    bool bodyEnded = false;
    // A body that breaks its framing is nothing to resume from.
    if (header_seen && is_chunked_ && !DecodeChunks(&got, &bodyEnded)) {
      DropBody();
      return FailAndLog("The server sent %s in a chunked coding that cannot be read: %s.", destination,
                        chunked_.error());
    }
    // More than the announced length is no longer this file: refuse it before
    // it is written, however long the sender goes on.
    if (header_seen && content_length_ >= 0 && received_ > static_cast<unsigned long long>(content_length_)) {
      DropBody();
      return FailAndLog("The server sent more than the announced length of %s.", destination);
    }
    UpdatePercent(percent);
    // A chunked body ends at its last chunk, whether or not the server
    // closes; on a kept connection so does a body at its announced length.
    if (keep_alive_ && header_seen && !is_chunked_ && content_length_ >= 0 &&
        received_ == static_cast<unsigned long long>(content_length_))
      bodyEnded = true;
    if (closed || bodyEnded) return OnClosed(got, percent, closed);
    if (!WritePass(got)) return kDownloadFailed;
  }
  return kDownloadFlowing;
}

unsigned long FileDownload::ReceivePass(bool* closed) {
  RealTCPConnection* list[1] = {connection};
  SelectSocket(list, 1, -1, 0, 0);
  unsigned long got = 0;
  while (got < static_cast<unsigned long>(kReceivePassSize)) {
    long n = connection->Receive(receive_buffer + got, kReceivePassSize - got);
    if (n > 0) got += static_cast<unsigned long>(n);
    if (connection->flags & sockflags_fatal_error) {
      Log("Recieve response got a sockflags_fatal_error, errno=%s, recsize=%d", InterpretErrNo(errno), int(got));
      *closed = true;
      break;
    }
    if (!(connection->flags & sockflags_connected)) {
      Log("Recieve response got a sockflags_connected, NOT connected!, errno=%s, recsize=%d", InterpretErrNo(errno),
          int(got));
      *closed = true;
      break;
    }
    if (n <= 0) break;
  }
  receive_buffer[got] = '\0';
  return got;
}

int DownloadPercent(unsigned long long received, long long length) {
  // Without a known length nothing can be said yet: 0, not the caller's old value.
  if (length < 1) return 0;
  const unsigned long long whole = static_cast<unsigned long long>(length);
  if (received >= whole) return 100;  // more than announced is refused before it counts
  // Below the whole, received * 100 overflows only past 2^64 / 100 bytes;
  // there, one per cent of the length is the unit.
  if (received <= ~0ull / 100) return int(received * 100 / whole);
  return int(received / (whole / 100));
}

void FileDownload::UpdatePercent(int& percent) const { percent = DownloadPercent(received_, content_length_); }

int FileDownload::OnQuietPass(int& percent) {
  if (GetTimerCount() - last_data_time > static_cast<unsigned long>(kDownloadTimeoutSeconds) * Second) {
    SavePartial();
    return FailAndLog("Receiving file %s has timed out, please check your connection.", temp_name);
  }
  // Whatever was waiting has been read: the rate is judged on all of it.
  if (TooSlow()) {
    SavePartial();
    return FailAndLog(
        "The server is sending too slowly: less than %i bytes a second of %s arrived over the last %i "
        "seconds. Please check your connection to the Internet, or try again later.",
        MinTransferRate, destination, kTransferRateWindowSeconds);
  }
  UpdatePercent(percent);
  return kDownloadFlowing;
}

int FileDownload::ScanForHeader(unsigned long got, int& percent) {
  // Interim answers (100 Continue, 103 Early Hints) may come before the real
  // one, several in one pass; each is skipped whole.
  size_t offset = 0;
  while (offset < got) {
    size_t bodyStart = 0;
    HttpHeaderAccumulator::Result r = header_.Feed(receive_buffer + offset, got - offset, &bodyStart);
    if (r == HttpHeaderAccumulator::kTooLong)
      return FailAndLog("The server's response header for %s is too long.", destination);
    if (r != HttpHeaderAccumulator::kComplete) break;
    offset += bodyStart;
    HttpStatusLine interim;
    if (ParseHttpStatusLine(header_.header(), &interim) && interim.code >= 100 && interim.code < 200 &&
        interim.code != 101) {
      interim_bytes_ += (long long)header_.header().size();
      header_.Reset();
      // Interim answers are part of the header: a server that sends them
      // without end never gets to the file and must not fill the disk.
      if (interim_bytes_ >= (long long)HttpHeaderAccumulator::kMaxHeader)
        return FailAndLog("The server's response header for %s is too long.", destination);
      continue;
    }
    header_seen = 1;
    pass_body_start_ = offset;
    received_ = got - offset;
    const int result = OnHeader(percent);
    // "Not modified" has no body: anything after it is an answer no request asked for.
    if (result == kDownloadNotModified && offset == got) KeepConnection();
    return result;
  }
  return kDownloadFlowing;
}

int FileDownload::OnClosed(unsigned long got, int& percent, bool closed) {
  // The data of the closing pass belongs to the body as much as any other.
  if (!WritePass(got)) {
    SavePartial();
    return kDownloadFailed;
  }
  if (header_seen && (!is_chunked_ || chunked_.done()) &&
      (content_length_ == -1 || static_cast<unsigned long long>(content_length_) == received_)) {
    // A full disk may show only when the last buffered bytes are flushed.
    bool flushed = temp_file->Close();
    delete temp_file;
    temp_file = nullptr;
    flushed = CloseBody() && flushed;
    if (!flushed) {
      DeleteResultFiles();
      return FailAndLog(
          "Error writing file %s for download, you could be out of disk space or the file is currently in use.",
          destination);
    }
    if (!closed && chunk_trailing_bytes_ == 0) KeepConnection();
    state = kDownloadStateAllIn;
    if (content_length_ == -1) percent = 100;
    return kDownloadFlowing;
  }
  SavePartial();
  return FailAndLog("Lost connection to server before recieving entire file: %s.", destination);
}

int FileDownload::OnHeader(int& percent) {
  const std::string& header = header_.header();
  size_t copy = header.size() < sizeof header_copy - 1 ? header.size() : sizeof header_copy - 1;
  std::memcpy(header_copy, header.data(), copy);
  header_copy[copy] = '\0';

  HttpStatusLine status;
  if (!ParseHttpStatusLine(header, &status)) status.code = 0;
  status_code_ = status.code;
  reusable_ = keep_alive_ && HttpKeepsConnection(header);
  // "Not modified" vouches for a copy that is there; without one it is an
  // error like any other answer that brings no file.
  if (status.code == 304 && !PlatFileExists(destination)) {
    return FailAndLog("HTTP error while trying to download %s: Code %i, %s.", temp_name, status.code,
                      HttpStatusText(status.code));
  }
  if (status.code == 304) {
    finished_state_ = kDownloadNotModified;
    state = kDownloadStateEnded;
    return kDownloadNotModified;
  }
  if (status.code == 301 || status.code == 302 || status.code == 303 || status.code == 307 || status.code == 308)
    return FollowRedirect(status.code);
  std::string value;
  response_has_date_ = FindHttpHeaderField(header, "Last-Modified", &value);
  bool failed = status.code >= 300 || status.code < 200;
  long long range_length = -1;  // the body a 206 announces in its Content-Range
  if (!failed && status.code == 206) {
    // Only the continuation of the leftover .res is acceptable.
    // It must also run to the end of the same file: the recorded length is
    // the whole file's, and a shorter range would be kept as if complete.
    long long first = -1, last = -1, total = -1;
    bool ok = resume_from_ > 0 && FindHttpHeaderField(header, "Content-Range", &value) &&
              ParseContentRange(value, &first, &last, &total) && first == resume_from_ && last >= first;
    long long end = total >= 0 ? total : recorded_length;
    if (ok) ok = last + 1 == end && (recorded_length <= 0 || end == recorded_length);
    long long bodyLength = -1;
    if (ok && ParseContentLength(header, &bodyLength) == kContentLengthOk) ok = bodyLength == last - first + 1;
    range_length = last - first + 1;
    if (!ok) {
      DeleteResultFiles();
      return FailAndLog("Server sent the wrong part of %s.", destination);
    }
    appending_ = true;
  }
  if (failed) {
    FailAndLog("HTTP error while trying to download %s: Code %i, %s.", temp_name, status.code,
               HttpStatusText(status.code));
    if (status.code == 407) Log("Proxy Authentication is being requested");
    // A range the server cannot serve must not be asked for again; any other
    // error (a busy server, a proxy asking for credentials) keeps the part
    // received so far for the next attempt.
    if (resume_from_ > 0 && status.code == 416) DeleteResultFiles();
    return kDownloadFailed;
  }
  if (status.code != 206 && resume_from_ > 0) {
    // The whole file came instead of the rest: start over.
    resume_from_ = 0;
    partial = 0;
  }
  switch (ClassifyTransferCoding(header)) {
    case kTransferUnsupported:
      return FailAndLog("Server sent %s in an encoding this program cannot read.", destination);
    case kTransferChunked:
      // The coding frames the body; a Content-Length beside it does not count.
      is_chunked_ = true;
      content_length_ = appending_ ? range_length : -1;
      return StartBody();
    case kTransferIdentity: break;
  }
  long long length = -1;
  switch (ParseContentLength(header, &length)) {
    case kContentLengthOk: content_length_ = length; break;
    case kContentLengthBad: return FailAndLog("Bad ContentLength Header Information.");
    case kContentLengthAbsent:
      // The body then ends where the server closes the connection, except
      // for a range, whose length its Content-Range gives.
      content_length_ = appending_ ? range_length : -1;
      break;
  }
  (void)percent;
  return StartBody();
}

bool FileDownload::DecodeChunks(unsigned long* got, bool* ended) {
  // The .tmp keeps the header as received and the body decoded, so the
  // finishing step copies the file's bytes from behind the header as for any
  // other body. Decoding happens in place: the data never outgrows its coding.
  char* body = receive_buffer + pass_body_start_;
  size_t coded = *got - pass_body_start_, produced = 0, consumed = 0;
  HttpChunkedDecoder::Result r = chunked_.Feed(body, coded, body, &produced, &consumed);
  if (r == HttpChunkedDecoder::kBad) return false;
  // What follows the last chunk is not the file's.
  received_ -= coded - produced;
  *got = pass_body_start_ + produced;
  *ended = r == HttpChunkedDecoder::kDone;
  if (*ended) chunk_trailing_bytes_ = coded - consumed;
  return true;
}

void FileDownload::DeleteResultFiles() {
  PlatRemoveFile(result_name);
  PlatRemoveFile(header_name);
}

int FileDownload::Finish(bool suppressRename) {
  delete temp_file;
  temp_file = nullptr;

  char firstError[2048] = "";
  auto keep = [&](const char* english, auto... args) {
    if (firstError[0]) return;
    std::string format = FormatOfTranslation(english);
    SNPrintF(firstError, sizeof firstError, format.c_str(), args...);
  };

  // The body is in the .res already; it is checked against what the header announced.
  if (!CloseBody())
    keep("Error writing file %s for download, you could be out of disk space or the file is currently in use.",
         destination);
  if (content_length_ >= 0 && content_length_ != body_written_)
    keep("Lost connection to server before recieving entire file: %s, expected %s, got %s", destination,
         std::to_string(content_length_).c_str(), std::to_string(body_written_).c_str());

  if (!firstError[0] && expected_digest) {
    unsigned char digest[kMD5Size];
    if (!GetMD5(result_name, digest)) keep("Error opening file %s for checksum read.", destination);
    else if (std::memcmp(digest, expected_digest, kMD5Size) != 0)
      keep("Checksum failure while downloading %s, file may have been corrupted during transfer.", destination);
  }
  // The header is kept only for a file that passed every check, so that a
  // later conditional request never vouches for a file that was not received.
  if (!firstError[0] && !partial && !(flags & kDownloadUnconditional) && !appending_) {
    if (!WriteWholeFile(header_name, HeaderFileText(header_.header())))
      keep("Unable to open header %s for output.", header_name);
  }
  if (firstError[0]) {
    DeleteResultFiles();
    SetErrorString(firstError);
    state = kDownloadStateFailed;
    finished_state_ = kDownloadFailed;
    return kDownloadFailed;
  }
  // One rename replaces the old file: there is never a moment without either.
  if (!suppressRename) {
    if (!PlatRenameFile(result_name, destination)) {
      DeleteResultFiles();
      return FailAndLog(
          "%s is either open by another application or is write protected. Please ensure all applications that may "
          "be using this file have closed and that you have permission to write to this file.",
          destination);
    }
  }
  // Programs that the release carries keep their Windows names; on this
  // platform they also need the permission to run.
  size_t n = std::strlen(destination);
  if (!suppressRename && n > 4 && CaseCompare(destination + n - 4, ".exe") == 0)
    PlatMakeExecutable(PlatNativePath(destination));
  finished_state_ = kDownloadFinished;
  state = kDownloadStateEnded;
  return kDownloadFinished;
}

bool FileDownload::Resumable() const {
  // Only a body that a later ranged request can continue is worth keeping:
  // a success answer with a known length and a date to validate against.
  return header_seen && !(flags & (kDownloadUnconditional | kDownloadNoPartial)) && content_length_ > 0 &&
         received_ > 0 && ((status_code_ == 200 && response_has_date_) || (status_code_ == 206 && appending_));
}

void FileDownload::SavePartial() {
  const bool resumable = Resumable();
  delete temp_file;
  temp_file = nullptr;
  if (!body_file_) return;  // nothing of this transfer's body; an older leftover stays
  const bool fresh = body_fresh_;
  bool ok = CloseBody();
  if (!resumable) {
    // A body started anew replaced the older leftover; one appended to it
    // without a byte added leaves it as it was.
    if (fresh || !ok) DeleteResultFiles();
    return;
  }
  // A 206 continues the stored header; a fresh 200 brings its own.
  if (ok && status_code_ == 200) ok = WriteWholeFile(header_name, HeaderFileText(header_.header()));
  if (!ok) DeleteResultFiles();
}
