// The engine, clutch, gearbox and brakes: a single rotating engine mass
// driven by its torque map, coupled to the rear wheel through the gearbox and
// a springy, slipping clutch and driveline whose reaction turns the frame,
// and two torque-limited brakes on the axles.
#pragma once

struct Bike;
struct BikeInfo;
struct BikeSetup;

// Slip speed (ft/s) of a touching tyre's contact point above which antilock
// lets its brake go, and at or below which the automatic gearbox may shift.
constexpr double kTyreSlideSpeed = 2;
// The automatic gearbox looks at the wheel every this many steps.
constexpr int kAutoShiftEvery = 32;
// The swingarm must be compressed by more than this (radians) for the
// automatic gearbox to shift: the rear wheel is loaded.
constexpr double kAutoShiftSwingarm = 0.01;

// Sets the final drive from the catalogue's sprockets with the setup's
// adjustments (teeth, -2..2; anything else is clamped, a value that is not
// a number counts as 0): rear teeth / countershaft teeth, each rounded
// down and at least 3.
void bike_set_sprockets(Bike& bike, double countershaft_adjustment, double rear_adjustment);

// Crank turns per rear-wheel turn in the bike's gear with its own final
// drive; 0 for a gear the bike does not have.
double drivetrain_ratio(const Bike& bike);

// The gearbox controls: -1 down, +1 up, 0 released. Ignored while the
// rider is off the bike, for an input that repeats the last one (holding
// the control shifts once) and for one outside -1..1. A shift into a gear
// the bike lacks takes the highest existing gear below it.
void shift(Bike& bike, int input);

// The torque map at an engine speed, between its closed- and full-throttle
// curves by the throttle (0..1), linear between the 500 rpm points; below
// 0 rpm the first points and from 24500 rpm the last points are used.
double torque_map(const BikeInfo& info, double rpm, double throttle);
// True while the throttle is cut to keep the bike from looping out: the
// wheelie cut is on, the front tyre is off the ground, the rear on it, and
// the nose is not already dropping faster than 1/32 rad/s.
bool wheelie_cut(const Bike& bike);
// The engine's torque at the crank (ft*lbf) from the map, a positive
// torque cut to 0 in a wheelie when the wheelie cut is on.
double engineTorque(const Bike& bike);
// The engine speed in revolutions per minute.
double engineRpm(const Bike& bike);

// The clutch engagement the automatic clutch lets through at an engine
// speed: none up to its rpm, rising to the rider's engagement 2000 rpm
// above it.
double auto_clutch_engagement(double clutch, double rpm, double auto_clutch_rpms);

// The brake torque (ft*lbf) the front (wheel 0) or rear (1) brake may hold
// this step: the rider's input times the setup's torque, let go by antilock
// while that tyre touches and slides, and the front let go in a stoppie
// (the front touching, the rear in the air) when that is on.
double brake_torque(const Bike& bike, int wheel);

// The automatic gearbox, every kAutoShiftEvery-th step (with the option on)
// while the rear wheel is loaded and its tyre in the air or gripping: one
// gear down below the bike's downshift rpm, one up above its upshift rpm.
void automatic_shift(Bike& bike, int step);

// One step of the drivetrain, after the suspension and steering: the
// automatic gearbox, the clutch and driveline with the engine, the brakes.
// What it sets acts in the next world step.
void drivetrainStep(Bike& bike, int step);
