"""The harness seen through pcscd: cards appear, answer, vanish and can be held by others."""

import os
import signal
import subprocess
import sys
from pathlib import Path

import pytest
from virtualkey import ATR_A_BAD_TCK, ATR_B, PULL_CARD, READER0, READER1, make_key, make_plain_card, pcsc

RUN_SCRIPT = Path(__file__).resolve().parents[1] / "virtual-key" / "run.py"


def present_atr(context, reader):
    state, atr = context.reader_state(reader)
    return atr if state & pcsc.SCARD_STATE_PRESENT else None


def test_key_is_visible_with_its_atr(key, pcsc_context):
    assert {READER0, READER1} <= set(pcsc_context.readers())
    assert present_atr(pcsc_context, READER0) == ATR_B
    assert present_atr(pcsc_context, READER1) is None
    with pcsc_context.connect(READER0) as card:
        assert card.atr() == ATR_B


def test_first_insertion_empties_the_other_reader(insert, pcsc_context):
    # runs after a test that left a key in reader 0
    insert(make_key(), reader=1)
    assert present_atr(pcsc_context, READER0) is None
    assert present_atr(pcsc_context, READER1) == ATR_B


def test_card_manager_name_through_pcsc(key, pcsc_context):
    key.card_manager.name = b"Test Key"
    with pcsc_context.connect(READER0) as card:
        assert card.transmit(bytes.fromhex("00A4040008A000000151000000"))[-2:] == b"\x90\x00"
        assert card.transmit(bytes.fromhex("B1054100")) == b"Test Key\x90\x00"
    assert key.commands()[-1] == bytes.fromhex("B1054100")


def test_other_cards_in_both_readers(insert, pcsc_context):
    insert(make_plain_card(), reader=0)
    insert(make_key(ATR_A_BAD_TCK), reader=1)
    assert present_atr(pcsc_context, READER0) == make_plain_card().atr
    assert present_atr(pcsc_context, READER1) == ATR_A_BAD_TCK


def test_held_reader_gives_sharing_violation(key, hold_reader, pcsc_context):
    holder = hold_reader(READER0)
    with pytest.raises(pcsc.PcscError) as error:
        pcsc_context.connect(READER0)
    assert error.value.code == pcsc.SCARD_E_SHARING_VIOLATION
    holder.release()
    pcsc_context.connect(READER0).disconnect()


def test_pulled_card_leaves_the_reader_empty(key, reader0, pcsc_context):
    key.inject("B105", PULL_CARD)
    with pcsc_context.connect(READER0) as card:
        # vpcd reports the lost card as an exchange without any answer bytes
        assert card.transmit(bytes.fromhex("B1054100")) == b""
    reader0.wait_empty()


def test_command_line_card_serves_until_terminated(readers, pcsc_context):
    readers[1].remove()
    process = subprocess.Popen(
        [sys.executable, str(RUN_SCRIPT), "--port", "1", "--atr", "a", "--name", "Demo Key"],
        stdout=subprocess.PIPE,
        text=True,
    )
    try:
        assert process.stdout.readline().startswith(f"ready {READER1} 3B 87 80 01")
        with pcsc_context.connect(READER1) as card:
            card.transmit(bytes.fromhex("00A4040008A000000151000000"))
            assert card.transmit(bytes.fromhex("B1054100")) == b"Demo Key\x90\x00"
        os.kill(process.pid, signal.SIGUSR1)
        assert process.stdout.readline().strip() == f"removed {READER1}"
        readers[1].wait_empty()
    finally:
        process.terminate()
        process.wait(timeout=10)
    readers[1].wait_empty()


def test_run_gives_status_and_output(run, no_key):
    assert run("--version") == (0, "Version 1.4.0\n", "")
