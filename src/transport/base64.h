// Base64 (RFC 4648 alphabet, "=" padding) for the proxy's Basic credentials.
#pragma once

// A new text (free with GRTFree) holding the encoding of text's bytes.
char* ToBase64(const char* text);
