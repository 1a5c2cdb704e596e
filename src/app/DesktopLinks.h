#pragma once
// Shortcut files on the current user's desktop, written through the shell's
// link object; each call has its own COM initialisation.
#include <string>

// Link "%desktop%\name.lnk" to target. 0 saved (or the link object could not
// be created), -1 the link could not be saved.
int CreateDesktopLink(const std::string& name, const std::string& target, const std::string& arguments,
                      const std::string& iconLocation);
// CreateDesktopLink with the browser as target and the URL as arguments.
int CreateDesktopWebLink(const std::string& name, const std::string& url, const std::string& iconLocation,
                         const std::string& browserPath);
// Marks the link to run as administrator. 0 done or already set; -1 no link
// object, -2 no file interface, -3 not loaded, -4 no data-list interface,
// -5 flags not readable, -6 flags not writable, -8 not saved, -9 save not
// completed.
int SetLinkRunAsAdmin(const std::string& name);
// The desktop folder the links go to.
std::string GetDesktopDir();
