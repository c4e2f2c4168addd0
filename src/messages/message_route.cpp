#include "messages/message_route.h"

namespace {
MessageSink CurrentSink = nullptr;
}

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = CurrentSink;
  CurrentSink = sink;
  return previous;
}

void RouteMessage(const char16_t* text, int withTimeStamp) {
  if (CurrentSink != nullptr) CurrentSink(text, withTimeStamp);
}
