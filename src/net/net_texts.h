#pragma once
// The streaming part's texts: what the server is told, and the boxes the user sees.

namespace korvo::net_texts {

inline constexpr char kUserAgent[] = "LUMEN KORVO-2000";
inline constexpr char kAcceptHeader[] = "Accept: audio/x-mpeg, audio/x-mpegurl, */*\r\n";
// Asks a radio station for its song titles.
inline constexpr char kIcyMetaDataHeader[] = "Icy-MetaData: 1\r\n";
// Older radio servers answer with this status line instead of an HTTP one.
inline constexpr char kIcyStatus[] = "ICY 200 OK";

inline constexpr char kInternetErrorTitle[] = "LUMEN KORVO Internet Error Message...";
// The title of a URL that cannot be opened: no blank before "Internet".
inline constexpr char kUrlErrorTitle[] = "LUMEN KORVOInternet Error Message...";
inline constexpr char kNoCallback[] = "Cannot Create Download Callback...";
inline constexpr char kNoBuffer[] = "Cannot Create Download Buffer...";
inline constexpr char kNoThread[] = "Cannot Create Download Thread...";
inline constexpr char kSaveFileTitle[] = "ERROR!";
inline constexpr char kSaveFileFailed[] = "URL Save file could NOT be created,\nData will NOT be saved...";
// An error answer (status 400 and up) is no audio: the status and its text.
inline constexpr char kErrorAnswer[] = "The server answered %lu %s";
// Shown when a server accepted the connection but sent nothing; %u is seconds.
inline constexpr char kNoAnswer[] = "The server sent nothing for %u seconds";
// How a transfer that broke off ended (korvo decode and play report it).
inline constexpr char kTransferShort[] = "The transfer ended after %lld of %lld bytes";
inline constexpr char kTransferFailed[] = "The transfer failed: %s";
// The tries of a live stream to reconnect are used up and the last one ended without error.
inline constexpr char kConnectionLost[] = "the station could not be reached again";
// Shown in place of the song title while a live stream waits to reconnect.
inline constexpr char kReconnecting[] = "reconnecting\xE2\x80\xA6";
// A stream that is something else (%s: what it is, then the URL); shown under the URL's title.
inline constexpr char kNotMpeg[] = "This stream is not MPEG audio (%s): %s";
// A station link whose list is an HLS one (%s: the URL); shown under the URL's title.
inline constexpr char kHlsNotSupported[] = "HLS streams are not supported: %s";
// What a stream without a single frame header in its first 64 KB is called when neither its
// type nor its first bytes say more.
inline constexpr char kUnknownKind[] = "no frame header";
// How a station shows while it plays: its name, then the song title.
inline constexpr char kStationTitle[] = "%s \xE2\x80\x94 %s";
// A saved copy that could not be put in place at the end; %s is its path.
inline constexpr char kSaveFileNotKept[] = "URL Save file could NOT be completed:\n%s\nData were NOT saved...";

} // namespace korvo::net_texts
