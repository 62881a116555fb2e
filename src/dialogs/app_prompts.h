#pragma once

#include <QString>
#include <functional>

class QWidget;

// The questions the application settings ask the user. Each returns at once and answers through
// its callback (never for a cancelled question), so nothing waits in an event loop of its own and
// tests answer them with a script.
class IAppPrompts {
public:
  virtual ~IAppPrompts() = default;
  // Yes or No; aAnswer(true) on Yes.
  virtual void Confirm(QWidget* aParent, const QString& aText, std::function<void(bool)> aAnswer) = 0;
  // A password line; aAnswer with the text on OK, not called on Cancel.
  virtual void AskPassword(QWidget* aParent, const QString& aCaption, const QString& aPrompt,
                           std::function<void(const QString&)> aAnswer) = 0;
  // A message with an OK button.
  virtual void Inform(QWidget* aParent, const QString& aText) = 0;
};

// The desktop's message and input boxes, shown window-modal.
class TDialogPrompts : public IAppPrompts {
public:
  void Confirm(QWidget* aParent, const QString& aText, std::function<void(bool)> aAnswer) override;
  void AskPassword(QWidget* aParent, const QString& aCaption, const QString& aPrompt,
                   std::function<void(const QString&)> aAnswer) override;
  void Inform(QWidget* aParent, const QString& aText) override;
};
