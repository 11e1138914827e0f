"""The built program, played from outside. Run one test per process, on the
X11 desktop or, with --wayland, on the Wayland one:
python3 test_game.py [--wayland] PROGRAM Game.test_name
"""
import os
import re
import struct
import subprocess
import sys
import unittest

from desktop import Desktop, WaylandDesktop, time_of_day, wait_for

PROGRAM = None
DESKTOP = Desktop


class Game(unittest.TestCase):
    def desktop(self, **kwargs):
        desktop = DESKTOP(PROGRAM, **kwargs)
        self.addCleanup(self.close_and_check_errors, desktop)
        return desktop

    def assertTitleFits(self, d):
        """The open dialog is wide enough for its whole title beside the title bar's
        icon and three buttons, so the window manager cuts nothing. Openbox draws
        a title a little wider than the font says, and its bar's icon, buttons
        and padding take some 90 pixels: twice the title's width covers both."""
        title = d.wait_dialog()[0]
        self.assertGreaterEqual(d.window_width(title), 2 * d.title_width(title), title)

    def close_and_check_errors(self, desktop):
        errors = desktop.close()
        if errors:  # shown by ctest when the case fails
            print("--- the game's error output ---\n" + errors, file=sys.stderr)
        self.assertNotRegex(errors, r"Sanitizer|runtime error:", "a sanitizer found a fault")

    def exit_with_a_new_record(self, d):
        d.key("alt+x")
        self.assertEqual(d.answer_dialog(), ("Vortimpa", ["Ok! Ho registrato il tuo record, C A M P I O N E"]))
        self.assertEqual(d.exit_status(), 0)

    # The next two run from the installed package as two users of one computer.
    def test_a_shared_record_is_set_by_one_player(self):
        d = self.desktop()
        d.start_playing("Anna")
        d.answer(right=True)
        self.exit_with_a_new_record(d)

    def test_a_shared_record_is_shown_and_beaten_by_another(self):
        d = self.desktop()
        d.start_playing("Bruno")
        self.assertEqual((d.label("lblpunti"), d.label("lblnome")), ("1\n", "Anna\n"))
        d.answer(right=True)
        d.next_question()
        d.answer(right=True)
        self.exit_with_a_new_record(d)

    def test_a_screen_reader_speaks_every_step(self):
        """A blind child hears, from the real Orca in Italian, every question and
        every verdict with the counters, each once, while it is on screen, and
        never the verdict before it: the child answers as soon as Orca has
        spoken the question, and once as soon as the question shows, without
        waiting for Orca.
        Orca once took the next question's box as its focus silently."""
        d = self.desktop(extra_env={"LANG": "it_IT.UTF-8", "LANGUAGE": "it"})
        d.start_sound_server()
        d.start_screen_reader()
        steps = []  # (when the step began, the words it must bring)

        def game_words():
            # A control's name is what the child needs; the role word after it
            # ("testo", "pulsante", "button") is each Orca version's own.
            return [(when, re.sub(r"^(Quanto fa 7 per \d+\?|Nuovo calcolo) .*$", r"\1", text))
                    for when, text in d.screen_reader_said()
                    if text.startswith(("Quanto fa", "Nuovo calcolo"))
                    or " Risposte esatte " in text or text == "Scrivi il risultato e premi Invio."]

        def heard():
            expected = [w for _, words in steps for w in words]
            wait_for(lambda: len(game_words()) >= len(expected), 30, f"Orca to say {steps[-1][1]}")
            wait_for(d.screen_reader_idle, 30, "Orca to take every event of the step")

        def step(action, words):
            began = time_of_day()
            action()
            steps.append((began, words()))
            heard()

        def question():
            return [f"Quanto fa 7 per {d.label('lblNum2')}?", "Scrivi il risultato e premi Invio."]

        def verdict(counters):
            message = d.label("lblMessage")
            message += "" if message.endswith("!") else "."
            return ["Nuovo calcolo",
                    f"{message} Risposte esatte {counters[0]}, errate {counters[1]}, totali {counters[2]}."]

        def answered_at_once():
            # The next question, and its answer in one go, as fast as a child
            # who knows the table: Orca may still be saying the question.
            d.next_question()
            asked = question()
            d.key(*str(7 * int(d.label("lblNum2"))), "Return")
            wait_for(lambda: d.label("lblMessage") or None, 5, "the verdict")
            return asked + verdict((2, 1, 3))

        step(lambda: d.start_playing("Anna"), question)
        step(lambda: d.answer(right=True), lambda: verdict((1, 0, 1)))
        step(d.next_question, question)
        step(lambda: d.answer(right=False), lambda: verdict((1, 1, 2)))
        words = []
        step(lambda: words.extend(answered_at_once()), lambda: words)
        step(d.next_question, question)
        # Orca speaks in the order things happen: once it has echoed one more
        # key, anything it said twice would be in its log.
        d.type("5")
        wait_for(lambda: d.screen_reader_said()[-1][1].strip() == "5", 30, "Orca to echo the key 5")
        game = game_words()
        self.assertEqual([text for _, text in game], [w for _, words in steps for w in words],
                         f"Orca said: {[text for _, text in d.screen_reader_said()]}")
        windows = [began for began, _ in steps[1:]] + [float("inf")]
        for (began, words), ended in zip(steps, windows):
            for text in words:
                self.assertTrue(any(said == text and began <= when < ended for when, said in game),
                                f"{text!r} was not said while its step was on screen")
        self.assertTrue(game[3][1].startswith("Esatto! Anna sei forte!"))
        self.assertTrue(game[7][1].startswith("Sbagliato!! "))
        self.assertTrue(game[11][1].startswith("Esatto! Anna sei forte!"))
        self.assertEqual(d.game_errors(), "", "a game under a screen reader says nothing")

    def test_the_window_looks_the_same_on_wayland_as_on_x11(self):
        """The same game on both desktops, picture against picture, pixel for
        pixel: the first question (its colours are always the same), its right
        answer, and a wrong answer's black-out. Left out is what differs from
        game to game: the clock, the question and the answer, a wrong answer's
        verdict (which names the product)."""
        varying = ("answer box", "lblconto", "lblNum2")
        pictures, x11 = [], None
        for kind in (Desktop, WaylandDesktop):
            d = kind(PROGRAM, bus_of=x11)
            self.addCleanup(self.close_and_check_errors, d)
            x11 = x11 or d
            d.start_playing("Anna")
            shots = [d.client_picture(leaving_out=varying)]
            d.answer(right=True)
            shots.append(d.client_picture(leaving_out=varying))
            d.next_question()
            d.answer(right=False)
            shots.append(d.client_picture(leaving_out=varying + ("lblMessage",)))
            pictures.append(shots)
            d.key("alt+x")
            self.assertEqual(d.answer_dialog()[0], "Vortimpa")  # the record's
            self.assertEqual(d.exit_status(), 0)
        for moment, x11, wayland in zip(("first question", "right answer", "wrong answer"), *pictures):
            self.assertEqual(x11[:2], wayland[:2], f"the window's size at the {moment}")
            differ = sum(x11[2][i:i + 3] != wayland[2][i:i + 3] for i in range(0, len(x11[2]), 3))
            self.assertEqual(differ, 0, f"pixels that differ at the {moment}")

    def test_first_start_creates_empty_records(self):
        d = self.desktop()
        greeting = d.start_playing("Anna")
        self.assertEqual(greeting, ("Vortimpa", [" Anna vediamo se sei un vero campione  "]))
        self.assertEqual(d.file_bytes("tavrec7.txt"), b"")
        self.assertEqual(d.file_bytes("ntavrec7.txt"), b"")
        self.assertEqual(d.label("lblpunti"), "")
        self.assertEqual(d.label("lblnome"), "")
        self.assertEqual(d.label("lblnome1"), "Anna")
        self.assertRegex(d.label("lblconto"), r"^00:0[45]:[0-5][0-9]$")
        self.assertEqual(d.game_errors(), "", "a start with no sound server says nothing")

    def test_a_new_record_is_written_and_shown_next_time(self):
        d = self.desktop()
        d.start_playing("Niccolò")
        d.answer(right=True)
        self.assertEqual(d.label("lblMessage"), "Esatto! Niccolò sei forte!")
        d.next_question()
        d.answer(right=False)
        self.assertTrue(d.label("lblMessage").startswith("Sbagliato!! "))
        d.next_question()
        d.answer(right=True)
        self.assertEqual([d.label(n) for n in ("lblScore", "lblScore1", "lblScore2")], ["2", "1", "3"])
        self.exit_with_a_new_record(d)
        self.assertEqual(d.file_bytes("tavrec7.txt"), b"2\r\n")
        self.assertEqual(d.file_bytes("ntavrec7.txt"), b"Niccol\xf2\r\n")

        d.start_playing("Bruno")
        self.assertEqual(d.label("lblpunti"), "2\n")
        self.assertEqual(d.label("lblnome"), "Niccolò\n")

    def test_a_tie_or_less_leaves_the_record_untouched_and_says_nothing(self):
        d = self.desktop()
        os.makedirs(d.records)
        for name, content in (("tavrec7.txt", b"1\r\n"), ("ntavrec7.txt", b"Anna\r\n")):
            with open(os.path.join(d.records, name), "wb") as f:
                f.write(content)
        files = ("tavrec7.txt", "ntavrec7.txt")
        before = {n: os.stat(os.path.join(d.records, n)).st_mtime_ns for n in files}
        for right_answers in (1, 0):  # a tie, then less
            d.start_playing("Bruno")
            for _ in range(right_answers):
                d.answer(right=True)
            d.key("alt+x")
            self.assertEqual(d.exit_status(), 0)
            self.assertEqual(d.file_bytes("tavrec7.txt"), b"1\r\n")
            self.assertEqual({n: os.stat(os.path.join(d.records, n)).st_mtime_ns for n in files}, before)

    def test_minimising_changes_the_caption_for_the_rest_of_the_game(self):
        d = self.desktop()
        d.start_playing()

        def window(title):
            return subprocess.run(["xdotool", "search", "--name", f"^{title}$"], env=d.env,
                                  capture_output=True, text=True).stdout.split()

        d.type("12")
        game = window("Gioca con la Vortimpa")
        self.assertEqual(len(game), 1)
        subprocess.run(["xdotool", "windowminimize", game[0]], env=d.env, check=True)
        wait_for(lambda: window("Giocare con la tavola pitagorica") == game, 10, "the new caption")
        subprocess.run(["xdotool", "windowactivate", game[0]], env=d.env, check=True)
        d.focus_window("Giocare con la tavola pitagorica")
        self.assertEqual(window("Giocare con la tavola pitagorica"), game)
        self.assertEqual(d.answer_text(), "12", "coming back asked no new question")

    def test_the_answer_box_refuses_letters_and_a_fifth_digit(self):
        d = self.desktop()
        d.start_playing()
        d.type("1a-2 b34")
        d.key("5")
        self.assertEqual(d.answer_text(), "1234")
        d.key("BackSpace")
        self.assertEqual(d.answer_text(), "123")
        # A real X server sends Delete with the character 127, which the box
        # must not take for a letter to refuse.
        d.key("Home", "Delete", "End")
        self.assertEqual(d.answer_text(), "23")
        # Qt's own texts speak Italian too, whatever the desktop's language:
        # the box's menu copies with C, and pastes with I, for "Incolla".
        d.key("shift+Home")
        d.context_menu("c")
        d.key("End")
        d.context_menu("i")
        wait_for(lambda: d.answer_text() == "2323", 5, "the menu's Incolla")

    def test_a_wrong_answer_blacks_out_until_the_next_question(self):
        d = self.desktop()
        d.start_playing()
        top, bottom = d.pixel(785, 1), d.pixel(785, 552)
        self.assertEqual(top[0], top[1])
        self.assertEqual((top[2], bottom[2]), (0, 255))
        d.answer(right=False, enter="KP_Enter")  # the keypad's Enter judges too
        self.assertEqual((d.pixel(785, 1), d.pixel(785, 552)), ((0, 0, 0), (0, 0, 0)))
        d.next_question()
        self.assertEqual((d.pixel(785, 1)[2], d.pixel(785, 552)[2]), (0, 255))

    def test_new_game_no_keeps_playing_and_yes_starts_afresh(self):
        d = self.desktop()
        d.start_playing("Anna")
        d.answer(right=False)
        d.menu_new_game()
        self.assertTitleFits(d)
        self.assertEqual(d.answer_dialog(key="Return"), ("INIZIARE NUOVA GARA", ["INIZIAMO UNA NUOVA GARA  ?"]))
        self.assertEqual(d.label("lblScore1"), "1")
        self.assertTrue(d.label("lblMessage").startswith("Sbagliato!! "), "closing the dialog asked no question")
        d.menu_new_game()
        d.answer_dialog(key="alt+s")
        d.answer_dialog()  # the limit, left empty
        self.assertEqual(d.answer_dialog(), ("Vortimpa", [" Anna siccome non hai scelto arriviamo fino al 10."]))
        d.answer_dialog("Bruno")
        d.answer_dialog()
        wait_for(lambda: d.label("lblnome1") == "Bruno", 10, "the new game")
        self.assertEqual(d.label("lblScore1"), "0")
        self.assertTrue(d.running())

    def test_closing_the_window_ends_without_a_record(self):
        d = self.desktop()
        d.start_playing("Anna")
        d.answer(right=True)
        d.close_window()
        self.assertEqual(d.exit_status(), 0)
        self.assertEqual(d.file_bytes("tavrec7.txt"), b"")

    def test_time_runs_out_with_a_goodbye_and_the_date(self):
        d = self.desktop(extra_env={"FAKETIME_NO_CACHE": "1"})
        d.start_game(prefix=["faketime", "-f", "+0 x20"])
        d.answer_dialog("Anna")
        d.answer_dialog()
        wait_for(d.dialog, 60, "the end of time")
        self.assertTitleFits(d)
        title, texts = d.answer_dialog()
        self.assertEqual(texts, ["Ciao a presto. Ore 600"])
        self.assertRegex(title, r"^Data \d")
        self.assertEqual(d.exit_status(), 0)

    def test_each_answer_is_heard_as_one_short_sound(self):
        self.hear_each_answer("first")

    def test_a_sound_server_that_comes_later_is_heard(self):
        self.hear_each_answer("later")

    def test_a_sound_server_that_restarts_is_heard(self):
        self.hear_each_answer("restarted")

    def hear_each_answer(self, server):
        """The server there before the game, started after it, or gone for an
        answer of the game and back."""
        d = self.desktop()
        if server != "later":
            d.start_sound_server()
        d.start_playing()
        if server == "restarted":
            d.stop_sound_server()
            d.answer(right=True)
            d.next_question()
        if server != "first":
            d.start_sound_server()
        recording = os.path.join(d.home, "heard.raw")
        d.record_sound(recording)

        def heard(count):
            """`count` sounds, the last followed by a second of silence."""
            bursts, length = sound_bursts(recording)
            return len(bursts) == count and length - sum(bursts[-1]) > 1.0 and bursts

        d.answer(right=True)
        wait_for(lambda: heard(1), 10, "one sound, then silence")
        d.next_question()
        d.answer(right=False)
        bursts = wait_for(lambda: heard(2), 10, "a second sound, then silence")
        for start, length in bursts:
            self.assertLess(length, 1.0, bursts)
        self.assertEqual(d.game_errors(), "", "playing sounds says nothing")

    def test_an_unwritable_record_ends_with_a_report_and_failure(self):
        d = self.desktop()
        os.makedirs(os.path.join(d.records, "tavrec7.txt"))
        d.start_game()
        d.answer_dialog("Anna")
        d.answer_dialog()
        title, texts = d.answer_dialog()
        self.assertEqual(title, "Vortimpa")
        path = d.records + "//tavrec7.txt"
        self.assertEqual(texts, [f"Errore di run-time n. 75: Non è un file: {path}\n\nIl gioco si chiude."])
        self.assertEqual(d.exit_status(), 1)
        self.assertEqual(d.game_errors(), f"tavola7: Errore di run-time n. 75: Non è un file: {path}\n")


def sound_bursts(path):
    """The stretches of sound in a recording so far, as (start, length) in
    seconds, and the recording's length."""
    with open(path, "rb") as recording:
        frames = recording.read()
    samples = struct.unpack(f"<{len(frames) // 2}h", frames[:len(frames) // 2 * 2])
    window = 400  # 50 ms
    loud = [max(abs(v) for v in samples[i:i + window]) > 1000 for i in range(0, len(samples), window)]
    bursts, start = [], None
    for index, on in enumerate(loud + [False]):
        if on and start is None:
            start = index
        elif not on and start is not None:
            bursts.append((start * 0.05, (index - start) * 0.05))
            start = None
    return bursts, len(samples) / 8000


if __name__ == "__main__":
    if sys.argv[1] == "--wayland":
        DESKTOP = WaylandDesktop
        sys.argv.pop(1)
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
