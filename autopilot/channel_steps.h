// The steps of the update cycle. Each takes no arguments and works on the state record.
#pragma once

void update_cycle();

void roll_step();
void pitch_step();
void heading_step();
void collective_step();
void speed_step();
void bank_reference_step();
void collective_base_step();
void heading_activation_step();
