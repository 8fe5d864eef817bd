#pragma once
// The playback settings the user changes (speed, volume and mute, repeat mode, A-B loop) with
// the OSD message each change shows. The rules are portable (ui/transport_rules.h); these apply
// them to the engine and the window. User-interface thread only.

void SetSpeed(float speed);
void StepSpeed(float delta); // +-0.1
void ToggleNormalSpeed();
void ChangeVolume(float volume);
void StepVolume(float delta); // +-0.06 keys and menu, +-0.03 the wheel
void ToggleMute();
void SetRepeatMode(int mode);
void CycleRepeatMode();
void SetLoopStart();
void SetLoopEnd();
void ToggleLoop();
void ClearLoop();
void JumpToLoopStart();
void CheckLoop(); // the interface tick's loop check
void ShowSeekOsd(double delta);

// The slider scale of the volume, for the engine chosen at start-up.
double GainToSlider(double volume);
double SliderToGain(double fraction);

// A relative seek from the shown position (the drag position while the seek bar is dragged);
// it turns the A-B loop off and keeps A and B.
void SeekBy(double delta);
// A seek to a fraction of the duration (the seek bar); it turns the A-B loop off.
void SeekToFraction(double fraction);

// The position the control bar shows: the drag position while the seek bar is dragged, else the
// engine's (negative when unknown).
double ShownPosition();

// The seek-bar drag, called by the control bar's mouse handling.
void BeginSeekDrag(double fraction);
void MoveSeekDrag(double fraction);
void EndMouseDrag();
void LoseMouseCapture();
