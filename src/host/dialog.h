// The host's operator dialog (Mensagem). The host registers a handler; with
// none, a notice is dropped and a question is answered "no", so nothing
// irreversible happens unasked.
#pragma once
#include <string>

namespace dru {

class TClientDataSet;

// Kind of dialog; the module uses 1 and 3.
enum class TTipoMsg : int { Tipo0 = 0, Tipo1 = 1, Tipo2 = 2, Tipo3 = 3 };

class Dialog {
public:
    virtual ~Dialog() = default;
    // `question` is "S" for a yes/no question, "N" for a notice; returns the answer.
    virtual bool Mensagem(const std::string& text, const std::string& arg2, const std::string& arg3,
                          const std::string& question, TTipoMsg kind, const std::string& arg6,
                          const std::string& scheme, int arg8, const TClientDataSet* table) = 0;
};

class NoDialog final : public Dialog {
public:
    bool Mensagem(const std::string&, const std::string&, const std::string&, const std::string&,
                  TTipoMsg, const std::string&, const std::string&, int,
                  const TClientDataSet*) override {
        return false;
    }
};

}  // namespace dru
