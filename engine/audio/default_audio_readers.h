// The audio reader plug-ins the engine offers: Ogg Vorbis, then MP3.
#pragma once

// Installs the Ogg Vorbis reader first and the MP3 reader second, once per process (later
// calls do nothing). Called by the application at start-up.
void InstallDefaultAudioFileReaders();
