#include "net/client.h"

// Until the client is built the game never connects.
bool server_connected() { return false; }
bool server_warmup() { return false; }
int server_latest_step() { return 0; }
bool first_server_step_arrived() { return false; }
void network_step() {}
void connect_to_server(const char*, const char*) {}
void send_disconnect() {}
void close_socket_library() {}
