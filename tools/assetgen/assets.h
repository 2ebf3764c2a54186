#pragma once
// The pieces of the default data the generator writes. Each returns false
// (after printing why) when a file could not be written.
#include <string>

namespace assetgen {

// data = the "_kvxfiles" folder; songs = the demo song folder.
bool WriteSystemSounds(const std::string& data);   // wav/*.wav, the 16 system sounds
bool WriteDefaultSkin(const std::string& data);    // kvx_scr.brd and its image
bool WriteFixedImages(const std::string& data);    // ssbg, ssobj, ssnostg, resobj .bmp
bool WriteDemoSongs(const std::string& songs);     // charts, key sounds, images
// courselist/DEMO COURSE.kcl, three demo charts named relative to `program`
// (written once: a course the player changed is kept).
bool WriteDemoCourse(const std::string& data, const std::string& program);
// The application icon, korvex.png, under hicolor/NxN/apps/ for each size.
bool WriteIcons(const std::string& hicolor);

}  // namespace assetgen
