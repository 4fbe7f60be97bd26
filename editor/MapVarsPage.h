#pragma once

// The "Map Vars" page: the map's variables in a grid; a typed value goes to the document.

#include <QObject>
#include <string>

class QWidget;

namespace tv {

class TEditF;
class TValueListEditor;

class TMapVarsPage : public QObject {
public:
    TMapVarsPage(TEditF& window, QWidget* tab);

    TValueListEditor* ValMap = nullptr;

    void FillMapVars();
    void ValMapValidate(int column, int row, const std::string& key, const std::string& value);
    void ValMapKeyDown(int key);
    void ValMapEditButtonClick();
    void Disconnect();

private:
    void Build(QWidget* tab);
    void Connect();

    TEditF& window_;
};

} // namespace tv
