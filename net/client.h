// The multiplayer client: the connection to a race server over UDP, its
// clock, and the riders it sends and receives.
#pragma once

bool server_connected();
// Connected, but the server has not given the local player a race slot.
bool server_warmup();
int server_latest_step();
bool first_server_step_arrived();
// Once per step, before the frame step.
void network_step();
void connect_to_server(const char* host, const char* password);
void send_disconnect();
void close_socket_library();
