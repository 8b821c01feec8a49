// One HTTP/1.1 GET of one file, directly or through an HTTP proxy, into a
// local file. Never blocks: the owner creates it and calls Update until Update
// reports an end. With MaxConnections above 1 the request asks to keep the
// connection: one kept from an earlier answer to the same origin is taken
// from HttpConnections(), and one whose answer ended at its framing goes back
// there. A kept connection that the server closed before any byte of the
// answer is replaced by a new one and the request sent again, once.
//
// Local files, all beside the destination (directory + name):
//   name.tmpNNN  the response's status line and header as received (interim
//                answers included); NNN is the timer count at construction
//   name.res     the body, written as it arrives (a chunked body decoded),
//                renamed onto the destination once every check has passed
//   name.hdr     the header lines of the last good response (Last-Modified
//                makes the next request conditional); for a body that can be
//                resumed it is written as soon as the body starts, so that a
//                transfer cut off by a kill resumes as well
// An interrupted transfer keeps its body so far in name.res together with the
// response's name.hdr; the next transfer of the file asks for the rest with a
// ranged request validated by the stored Last-Modified date, and starts over
// when the server sends the whole file instead. A name.res that is there,
// even empty, means a transfer did not end: name.hdr then vouches for nothing
// but the resume.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/sockets.h"
#include "transport/http_chunked.h"
#include "transport/http_response.h"
#include "transport/http_url.h"
#include "transport/node_address.h"
#include "transport/transport_globals.h"

class File;
class RealTCPConnection;

// Option bits of FileDownload.
enum : int {
  kDownloadUnconditional = 1,  // no If-Modified-Since, no default date, no .hdr written
  kDownloadNoPartial = 2,      // a leftover .res is never resumed
};

// Results of Update (also kept as the transfer's finished state).
enum DownloadResult : int {
  kDownloadFinished = 0,     // the destination is in place
  kDownloadFlowing = 1,      // data flowing, or all in (call again to finish)
  kDownloadFailed = 2,       // the error text says why
  kDownloadWaiting = 3,      // connecting, or the request has just been sent
  kDownloadNotModified = 4,  // 304: the local file is current
};

// The transfer's own state; the numbers are what State() reports.
enum DownloadState : int {
  kDownloadStateReceiving = 0,    // request sent and temp file created
  kDownloadStateAllIn = 1,        // the connection closed with complete data; finishing pending
  kDownloadStateReadyToSend = 2,  // connection open (or connecting), request not sent
  kDownloadStateEnded = 3,        // ended; the finished state holds the result
  kDownloadStateSetupFailed = 4,  // address or socket failure during construction
  kDownloadStateFailed = 5,       // any error after construction
};

// Both time-outs, in seconds of the program clock.
constexpr int kDownloadTimeoutSeconds = 360;
// A transfer without a Content-Length stops when the free space of the file
// system it writes to falls below this, rather than fill it.
constexpr long long kMinFreeBytesWhileUnsized = 64ll << 20;
// Redirects (301, 302, 303, 307, 308) followed for one file at most.
constexpr int kMaxRedirects = 5;
// One receive pass.
constexpr int kReceivePassSize = 64000;
constexpr int kLocalNameSize = 260;
constexpr int kErrorTextSize = 2248;

// The default date of a first request (or of one whose local copy cannot be trusted).
extern const char kDefaultModifiedSince[];

// The percentage Update reports: received * 100 / length, rounded down,
// without overflow for any length, at most 100; 0 while the length is
// unknown (below 1).
int DownloadPercent(unsigned long long received, long long length);

class FileDownload {
 public:
  // url: absolute http URL ("\" taken as "/"; "host:port" allowed); name:
  // relative to directory (which may be null or empty and is used as a plain
  // prefix); flags: the bits above; credential: kept, not sent; digest: the
  // 16-byte MD5 the file must have, or null. Starts the connection; leaves
  // kDownloadStateReadyToSend, or kDownloadStateSetupFailed with the error text set. Large: create on the heap.
  FileDownload(const char* url, const char* name, int flags, const char* credential, const char* directory,
               const unsigned char* digest);
  ~FileDownload();
  FileDownload(const FileDownload&) = delete;
  FileDownload& operator=(const FileDownload&) = delete;

  // Advances the transfer without blocking: reads what the socket holds (in
  // passes of up to 64000 bytes) and returns one of the results above; sets
  // percent on every receiving pass. After a final kDownloadFinished,
  // kDownloadFailed or kDownloadNotModified every further call returns the same value.
  int Update(int& percent);
  // This transfer's figures: body bytes received, the announced length (-1
  // when unknown) and the result kept once it ended. Update also copies them
  // to TotalAmtRecieved, ContentLength and FinishedState, which describe the
  // transfer updated last.
  unsigned long long Received() const { return received_; }
  long long AnnouncedLength() const { return content_length_; }
  int FinishedResult() const { return finished_state_; }
  // Releases the connection, the temp file and the texts; removeTemp also
  // deletes the temp file from disk. The object is then only good for
  // destruction.
  void Reset(int removeTemp);
  void SetErrorString(const char* text);
  const char* ErrorString() const { return error_text; }

  // The owner held the transfer still for a while (the player was asked a
  // question): the time-out and the minimum rate count from now, not from
  // before the hold.
  void RestartClocks();
  // For drivers with nothing else to do between Updates: waits up to ms
  // milliseconds for the connection to have something for Update.
  void WaitForActivity(int ms);
  // What a waiting caller should poll for the connection to have something
  // for Update: fills item (socket and interest) and returns true, or returns
  // false when Update has work to do at once or nothing to wait on (call it
  // on the next occasion rather than waiting on a socket).
  bool WaitItem(PlatPollItem* item) const;

  DownloadState State() const { return state; }
  const char* TempName() const { return temp_name; }
  const char* Request() const { return request; }

 private:
  // Set the error text (a catalogue key and its arguments), newState and
  // the finished state; return kDownloadFailed. FailAndLog also logs the text and
  // leaves kDownloadStateFailed.
  int VFailed(DownloadState newState, const char* englishFormat, va_list args);
  int Failed(DownloadState newState, const char* englishFormat, ...);
  int FailAndLog(const char* englishFormat, ...);
  void SetError(const char* englishFormat, ...);
  // Appends " (URL)" to the error text: a connection that failed names the
  // address it was for.
  void NameTheAddress();
  int Step(int& percent);  // Update without the copy of the figures
  int SendRequest();
  // Construction steps; each false leaves kDownloadStateSetupFailed.
  bool SetLocalNames(const char* directoryText, const char* name);
  void PlanFromLeftovers();  // resume a leftover .res, or condition on the stored date
  bool SplitTheUrl(const char* shownUrl, char* hostName, size_t hostNameSize, uint16_t* serverPort);
  bool ResolveServer(const char* shownUrl, const char* hostName);
  bool OpenConnection(uint16_t port, bool viaProxy);

  // Receiving: ReceivePasses runs up to kMaxPassesPerUpdate passes, each one
  // ReceivePass (fills receive_buffer, sets *closed when the peer has gone)
  // and what its data calls for.
  int ReceivePasses(int& percent);
  unsigned long ReceivePass(bool* closed);
  int OnQuietPass(int& percent);
  int ScanForHeader(unsigned long got, int& percent);
  // The body has ended: the server closed (closed), or its framing says so.
  int OnClosed(unsigned long got, int& percent, bool closed);
  void UpdatePercent(int& percent) const;
  int OnHeader(int& percent);
  // Turns this pass's body bytes from their chunked coding into the file's
  // bytes in the receive buffer (*got shrinks to match); *ended once the last
  // chunk and its trailer are in. False when the coding is bad.
  bool DecodeChunks(unsigned long* got, bool* ended);
  int Finish(bool suppressRename);
  void SavePartial();
  bool Resumable() const;  // the body so far can be continued by a ranged request
  void DeleteResultFiles();
  bool WriteTemp(const char* data, unsigned long length);
  // This pass's bytes: the header's part to the .tmp, the body's to the .res.
  // False, with the failure set, when one cannot be written or the disk is
  // running full.
  bool WritePass(unsigned long got);
  // After a good header: checks the free space against the announced length
  // and opens the .res (appended to for a 206).
  int StartBody();
  // Closes the .res; false when what was buffered could not be written.
  bool CloseBody();
  // Closes the .res of a body that cannot be resumed and removes it with its
  // .hdr, or cuts a continued leftover back to its length before.
  void DropBody();
  // A kept connection that ended before any byte of the answer: the request
  // goes once more on a new connection.
  int SendAgainOnNewConnection();
  // A redirect: the request goes again, to the address its Location names.
  int FollowRedirect(int code);
  // Forgets this answer's header and temp file before the request goes again.
  void ForgetAnswer();
  // True when less than MinTransferRate bytes a second came over the last
  // kTransferRateWindowSeconds of this request; records a sample.
  bool TooSlow();
  // A kept connection to the origin of hostPart (the URL's host, port
  // included) when there is one, else a new one; false with the failure set.
  bool ConnectToOrigin(const std::string& hostPart);
  bool OpenServerConnection();
  // Hands the connection to the pool when the answer ended at its framing
  // and the server keeps it.
  void KeepConnection();

  unsigned long long received_ = 0;
  long long content_length_ = -1;
  int finished_state_ = 0;
  unsigned long last_data_time = 0;
  char receive_buffer[kReceivePassSize + 1];
  NodeAddress server_address{};
  std::vector<NodeAddress> server_addresses_;  // all of the server's (or proxy's), to be tried in turn
  long long leftover_size = 0;
  long long recorded_length = 0;
  unsigned char partial = 0;
  unsigned char header_seen = 0;
  char header_copy[2048];
  char host[2048];
  char request_path[2048];
  File* temp_file = nullptr;
  char request[2048];
  int flags = 0;
  DownloadState state = kDownloadStateSetupFailed;
  char directory[kLocalNameSize];
  char result_name[kLocalNameSize];
  char temp_name[kLocalNameSize];
  char header_name[kLocalNameSize];
  char destination[kLocalNameSize];
  char error_text[kErrorTextSize];
  char* last_modified = nullptr;
  RealTCPConnection* connection = nullptr;
  char* credential = nullptr;
  char* url = nullptr;
  HttpUrlParts url_parts{};
  unsigned long last_connect_time = 0;
  unsigned char* expected_digest = nullptr;

  // Beyond the classic fields: the header gathered over receive passes, the
  // status of this response, and the ranged resume of a leftover .res.
  HttpHeaderAccumulator header_;
  int status_code_ = 0;
  long long resume_from_ = 0;         // > 0: a range from here was asked for
  char* resume_validator_ = nullptr;  // the stored Last-Modified sent in If-Range
  bool appending_ = false;            // the body continues the .res (206 answer)
  bool response_has_date_ = false;    // the response carries Last-Modified
  // Bytes of interim (1xx) answers before the real header in the .tmp, which
  // holds the response exactly as received.
  long long interim_bytes_ = 0;
  bool temp_is_ours_ = false;  // this transfer created the .tmp
  // A chunked body: decoded as it arrives; complete only at its last chunk.
  bool is_chunked_ = false;
  HttpChunkedDecoder chunked_;
  size_t pass_body_start_ = 0;       // where this pass's body begins in receive_buffer
  size_t chunk_trailing_bytes_ = 0;  // bytes after the last chunk: not the file's, nor a next answer's

  // The connection: its origin in the pool, where it goes again when it must
  // be replaced, and whether it is kept for the next request.
  std::string origin_;
  std::string host_name_;
  std::string shown_url_;
  uint16_t server_port_ = 80;
  bool keep_alive_ = false;         // asked for: MaxConnections > 1
  bool reused_ = false;             // taken from the pool, not yet answered on
  bool sent_again_ = false;         // the one resend on a new connection is used
  bool reusable_ = false;           // this answer leaves the connection open
  unsigned long long answer_bytes_ = 0;  // bytes received since the request went out

  // Redirects: the absolute URL asked for now (empty until the first
  // redirect), its request target and Host, and every URL asked for so far.
  std::string current_url_;
  std::string redirect_target_;
  std::string redirect_host_;
  std::vector<std::string> visited_;

  // Bytes received since the request went out, sampled about once a second
  // (program clock ticks, bytes): the window of the minimum rate.
  std::deque<std::pair<unsigned long, unsigned long long>> rate_samples_;

  // The body file (.res) while the body arrives.
  File* body_file_ = nullptr;
  bool body_fresh_ = false;  // this transfer started the .res anew (not a 206 append)
  long long body_written_ = 0;
  long long next_space_check_ = 0;  // body_written_ at which free space is next looked at
  long long BodyOffset() const { return interim_bytes_ + (long long)header_.header().size(); }
};
