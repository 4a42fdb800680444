#pragma once
// The windows' controls as the tests find them: by the names the form
// tables give them.
#include <QObject>
#include <stdexcept>
#include <string>

namespace ovcache::test {

template <typename Widget> Widget* Child(const QObject& parent, const char* name)
{
    auto* child = parent.findChild<Widget*>(name);
    if (!child)
        throw std::runtime_error(std::string("no control named ") + name);
    return child;
}

} // namespace ovcache::test
