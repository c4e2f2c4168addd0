// The one routing rule for every message the program shows the user.
//
// Platform-neutral code (the AVI parser, the options text, ...) reports through
// RouteMessage. The Windows program installs a sink that posts the text to the
// User Messages window once it exists and queues it before that; native tests
// and the command-line tools install their own sink. Without a sink, messages
// are dropped.
#pragma once

#include <cstdint>

// text: NUL-terminated UTF-16, lines ending in "\r\n", or null.
// withTimeStamp: non-zero to put the UTC time line before the text.
using MessageSink = void (*)(const char16_t* text, int withTimeStamp);

// Installs the sink and returns the previous one.
MessageSink SetMessageSink(MessageSink sink);

void RouteMessage(const char16_t* text, int withTimeStamp);
