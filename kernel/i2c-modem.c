// SPDX-License-Identifier: GPL-2.0-or-later
/*
 * The I2C modem as an I2C adapter. The modem is a USB serial chip with a microcontroller behind
 * it that runs one I2C transaction per request Frame. i2c-modem-attach sets serport's line
 * discipline on the modem's tty with our serio protocol; serport then offers the tty as a serio
 * port, and this driver makes an i2c_adapter of every such port.
 *
 * The modem has no repeated start: every message is a transaction of its own, with a STOP
 * after it. Replies come byte by byte through the serio interrupt callback and are gathered
 * there into one Frame.
 */

#include <linux/completion.h>
#include <linux/device.h>
#include <linux/i2c.h>
#include <linux/jiffies.h>
#include <linux/module.h>
#include <linux/serio.h>
#include <linux/slab.h>
#include <linux/spinlock.h>

#include "i2c-modem-clock.h"
#include "i2c-modem-protocol.h"

/* The modem settles for up to 500 ms after a new clock before it answers. */
#define I2C_MODEM_SETTLE_MS 500

enum i2c_modem_rx {
	RX_IDLE,	/* nobody waits: bytes are stray and dropped */
	RX_KIND,
	RX_LENGTH,
	RX_DATA,
	RX_END,
	RX_DONE,	/* the Frame or its fault is in rx_result */
};

struct i2c_modem {
	struct i2c_adapter adapter;
	struct serio *serio;
	struct completion done;

	/* Everything below is shared with the interrupt callback. */
	spinlock_t lock;
	bool gone;
	enum i2c_modem_rx rx;
	u8 expected;		/* the answer kind asked for; a refusal is always welcome */
	bool sync;		/* only the expected answer counts; other Frames are stray */
	bool foreign;		/* the Frame being read is a stray one */
	int rx_result;
	u8 kind;
	u8 length;
	u8 pos;
	u8 data[I2C_MODEM_MAX_FRAME_DATA];

	/* The transfers' own, under the adapter's bus lock. */
	u16 divider;
	bool unsure;		/* a reply went astray: stray bytes may still come */
};

static struct i2c_modem *i2c_modem_of(struct i2c_adapter *adapter)
{
	return container_of(adapter, struct i2c_modem, adapter);
}

/* Ends the wait for the Frame with result. Called with the lock held. */
static void i2c_modem_rx_end(struct i2c_modem *modem, int result)
{
	modem->rx = RX_DONE;
	modem->rx_result = result;
	complete(&modem->done);
}

/* A broken Frame ends the wait, unless the wait is for one answer among stray bytes. */
static void i2c_modem_rx_fault(struct i2c_modem *modem)
{
	if (modem->sync)
		modem->rx = RX_KIND;
	else
		i2c_modem_rx_end(modem, -EIO);
}

static irqreturn_t i2c_modem_interrupt(struct serio *serio, unsigned char byte,
				       unsigned int flags)
{
	struct i2c_modem *modem = serio_get_drvdata(serio);
	unsigned long irqflags;

	spin_lock_irqsave(&modem->lock, irqflags);
	switch (modem->rx) {
	case RX_IDLE:
	case RX_DONE:
		break;
	case RX_KIND:
		modem->kind = byte;
		modem->foreign = byte != modem->expected &&
				 (modem->sync || byte != I2C_MODEM_ANS_REFUSAL);
		if (modem->foreign && !modem->sync)
			i2c_modem_rx_end(modem, -EIO);
		else
			modem->rx = RX_LENGTH;
		break;
	case RX_LENGTH:
		/* The length byte is signed: one with bit 7 set is no length at all. */
		modem->length = byte;
		modem->pos = 0;
		if (byte > I2C_MODEM_MAX_FRAME_DATA)
			i2c_modem_rx_fault(modem);
		else
			modem->rx = byte ? RX_DATA : RX_END;
		break;
	case RX_DATA:
		modem->data[modem->pos++] = byte;
		if (modem->pos == modem->length)
			modem->rx = RX_END;
		break;
	case RX_END:
		if (byte != I2C_MODEM_END_BYTE)
			i2c_modem_rx_fault(modem);
		else if (modem->foreign)
			modem->rx = RX_KIND;
		else
			i2c_modem_rx_end(modem, 0);
		break;
	}
	spin_unlock_irqrestore(&modem->lock, irqflags);

	return IRQ_HANDLED;
}

/*
 * Sends one request Frame and waits up to wait jiffies for the answer of kind expected or a
 * refusal. Without a fault, the answer's kind, length and data are in the modem's fields.
 */
static int i2c_modem_exchange(struct i2c_modem *modem, u8 kind, const u8 *head,
			      unsigned int head_len, const u8 *data, unsigned int data_len,
			      u8 expected, unsigned long wait)
{
	unsigned long irqflags;
	unsigned int i;
	int ret;

	spin_lock_irqsave(&modem->lock, irqflags);
	if (modem->gone) {
		spin_unlock_irqrestore(&modem->lock, irqflags);
		return -ENODEV;
	}
	/* Whatever came before the request cannot be its answer. */
	modem->expected = expected;
	modem->rx = RX_KIND;
	reinit_completion(&modem->done);
	spin_unlock_irqrestore(&modem->lock, irqflags);

	ret = serio_write(modem->serio, kind);
	ret = ret ?: serio_write(modem->serio, head_len + data_len);
	for (i = 0; !ret && i < head_len; i++)
		ret = serio_write(modem->serio, head[i]);
	for (i = 0; !ret && i < data_len; i++)
		ret = serio_write(modem->serio, data[i]);
	ret = ret ?: serio_write(modem->serio, I2C_MODEM_END_BYTE);

	/*
	 * Not interruptible: a signal would end the wait while the modem still works on the
	 * request, and its answer would then meet the next one.
	 */
	if (!ret)
		wait_for_completion_timeout(&modem->done, wait);

	spin_lock_irqsave(&modem->lock, irqflags);
	if (modem->gone)
		ret = -ENODEV;
	else if (ret)
		ret = -EIO;
	else if (modem->rx != RX_DONE)
		ret = -ETIMEDOUT;
	else
		ret = modem->rx_result;
	modem->rx = RX_IDLE;
	spin_unlock_irqrestore(&modem->lock, irqflags);

	if (ret && ret != -ENODEV)
		modem->unsure = true;
	return ret;
}

/* The answer is the expected one with length data bytes, or else a fault. */
static int i2c_modem_judge(struct i2c_modem *modem, u8 expected, unsigned int length)
{
	if (modem->kind == I2C_MODEM_ANS_REFUSAL && modem->length == 1) {
		switch (modem->data[0]) {
		case I2C_MODEM_ST_ADDRESS_NAK:
			return -ENXIO;
		case I2C_MODEM_ST_DATA_NAK:
			return -EREMOTEIO;
		default:
			return -EIO;
		}
	}
	if (modem->kind == expected && modem->length == length)
		return 0;
	modem->unsure = true;
	return -EIO;
}

static int i2c_modem_get_clock(struct i2c_modem *modem)
{
	int ret;

	ret = i2c_modem_exchange(modem, I2C_MODEM_REQ_CLOCK, NULL, 0, NULL, 0,
				 I2C_MODEM_ANS_CONFIG, modem->adapter.timeout);
	ret = ret ?: i2c_modem_judge(modem, I2C_MODEM_ANS_CONFIG, 2);
	if (ret)
		return ret;
	modem->divider = modem->data[0] | modem->data[1] << 8;
	return 0;
}

static int i2c_modem_set_clock(struct i2c_modem *modem, u32 hertz)
{
	u16 divider = i2c_modem_divider_of_clock(hertz);
	u8 head[2] = { divider & 0xff, divider >> 8 };
	int ret;

	ret = i2c_modem_exchange(modem, I2C_MODEM_REQ_CLOCK, head, sizeof(head), NULL, 0,
				 I2C_MODEM_ANS_CONFIG,
				 modem->adapter.timeout + msecs_to_jiffies(I2C_MODEM_SETTLE_MS));
	ret = ret ?: i2c_modem_judge(modem, I2C_MODEM_ANS_CONFIG, 0);
	if (!ret)
		modem->divider = divider;
	return ret;
}

/*
 * After a reply went astray, the rest of it or a late answer may still be on its way. The modem
 * answers its requests in order, so once it has answered a GET SPEED, nothing older can come;
 * whatever comes before that answer is dropped.
 */
static int i2c_modem_resync(struct i2c_modem *modem)
{
	int ret;

	modem->unsure = false;
	modem->sync = true;
	ret = i2c_modem_get_clock(modem);
	modem->sync = false;
	return ret;
}

/* The time the bus needs for bytes at the modem's clock: 9 bits of (divider + 7) x 400 ns. */
static unsigned long i2c_modem_bus_jiffies(struct i2c_modem *modem, unsigned int bytes)
{
	return nsecs_to_jiffies((u64)bytes * 9 * (modem->divider + 7U) * 400) + 1;
}

static int i2c_modem_message(struct i2c_modem *modem, struct i2c_msg *msg)
{
	u8 head[3] = { i2c_8bit_addr_from_msg(msg), 0x00, msg->len };
	unsigned long wait = modem->adapter.timeout + i2c_modem_bus_jiffies(modem, 1 + msg->len);
	int ret;

	if (msg->flags & I2C_M_RD) {
		ret = i2c_modem_exchange(modem, I2C_MODEM_REQ_TRANSFER, head, 3, NULL, 0,
					 I2C_MODEM_ANS_BUS, wait);
		ret = ret ?: i2c_modem_judge(modem, I2C_MODEM_ANS_BUS, msg->len);
		if (!ret)
			memcpy(msg->buf, modem->data, msg->len);
		return ret;
	}
	ret = i2c_modem_exchange(modem, I2C_MODEM_REQ_TRANSFER, head, 2, msg->buf, msg->len,
				 I2C_MODEM_ANS_BUS, wait);
	return ret ?: i2c_modem_judge(modem, I2C_MODEM_ANS_BUS, 0);
}

/* The modem always ends a transaction with a STOP and cannot do anything else these ask for. */
#define I2C_MODEM_MSG_FLAGS (I2C_M_RD | I2C_M_STOP | I2C_M_DMA_SAFE)

static int i2c_modem_xfer(struct i2c_adapter *adapter, struct i2c_msg *msgs, int num)
{
	struct i2c_modem *modem = i2c_modem_of(adapter);
	int i, ret;

	for (i = 0; i < num; i++)
		if (msgs[i].flags & ~I2C_MODEM_MSG_FLAGS)
			return -EOPNOTSUPP;

	if (modem->unsure) {
		ret = i2c_modem_resync(modem);
		if (ret)
			return ret;
	}
	for (i = 0; i < num; i++) {
		ret = i2c_modem_message(modem, &msgs[i]);
		if (ret)
			return ret;
	}
	return num;
}

static u32 i2c_modem_func(struct i2c_adapter *adapter)
{
	/* An address alone, as SMBus Quick sends it, is no request the modem knows. */
	return I2C_FUNC_I2C | (I2C_FUNC_SMBUS_EMUL & ~I2C_FUNC_SMBUS_QUICK);
}

static const struct i2c_algorithm i2c_modem_algorithm = {
	.master_xfer = i2c_modem_xfer,
	.functionality = i2c_modem_func,
};

static const struct i2c_adapter_quirks i2c_modem_quirks = {
	.flags = I2C_AQ_NO_ZERO_LEN | I2C_AQ_NO_REP_START,
	.max_write_len = I2C_MODEM_MAX_WRITE_DATA,
	.max_read_len = I2C_MODEM_MAX_READ_DATA,
};

/* The clock file takes the bus lock, as a transfer does. */
static ssize_t bus_clock_hz_show(struct device *dev, struct device_attribute *attr, char *buf)
{
	struct i2c_adapter *adapter = to_i2c_adapter(dev);
	struct i2c_modem *modem = i2c_modem_of(adapter);
	int ret;

	i2c_lock_bus(adapter, I2C_LOCK_ROOT_ADAPTER);
	if (modem->unsure)
		ret = i2c_modem_resync(modem);
	else
		ret = i2c_modem_get_clock(modem);
	i2c_unlock_bus(adapter, I2C_LOCK_ROOT_ADAPTER);
	if (ret)
		return ret;
	return sysfs_emit(buf, "%u\n", i2c_modem_clock_of_divider(modem->divider));
}

static ssize_t bus_clock_hz_store(struct device *dev, struct device_attribute *attr,
				  const char *buf, size_t count)
{
	struct i2c_adapter *adapter = to_i2c_adapter(dev);
	struct i2c_modem *modem = i2c_modem_of(adapter);
	u32 hertz;
	int ret;

	ret = kstrtou32(buf, 10, &hertz);
	if (ret)
		return ret;
	if (hertz < I2C_MODEM_LOWEST_CLOCK || hertz > I2C_MODEM_HIGHEST_CLOCK)
		return -EINVAL;

	i2c_lock_bus(adapter, I2C_LOCK_ROOT_ADAPTER);
	ret = modem->unsure ? i2c_modem_resync(modem) : 0;
	ret = ret ?: i2c_modem_set_clock(modem, hertz);
	i2c_unlock_bus(adapter, I2C_LOCK_ROOT_ADAPTER);
	return ret ?: count;
}
static DEVICE_ATTR_RW(bus_clock_hz);

static struct attribute *i2c_modem_attrs[] = {
	&dev_attr_bus_clock_hz.attr,
	NULL
};
ATTRIBUTE_GROUPS(i2c_modem);

static int i2c_modem_connect(struct serio *serio, struct serio_driver *drv)
{
	struct i2c_modem *modem;
	struct i2c_adapter *adapter;
	int err;

	modem = kzalloc(sizeof(*modem), GFP_KERNEL);
	if (!modem)
		return -ENOMEM;
	modem->serio = serio;
	spin_lock_init(&modem->lock);
	init_completion(&modem->done);

	adapter = &modem->adapter;
	adapter->owner = THIS_MODULE;
	adapter->class = 0;
	adapter->algo = &i2c_modem_algorithm;
	adapter->quirks = &i2c_modem_quirks;
	adapter->timeout = HZ;
	adapter->dev.parent = &serio->dev;
	adapter->dev.groups = i2c_modem_groups;
	/* serport's phys is "TTY/serio0": the tty's name tells the user which modem it is. */
	snprintf(adapter->name, sizeof(adapter->name), "i2c-modem on %.*s",
		 (int)strcspn(serio->phys, "/"), serio->phys);

	serio_set_drvdata(serio, modem);
	err = serio_open(serio, drv);
	if (err)
		goto free;

	/* The modem's clock, which every wait needs; no answer means no modem. */
	err = i2c_modem_get_clock(modem);
	if (err) {
		dev_err(&serio->dev, "no modem answers on %s: %d\n", serio->phys, err);
		err = -ENODEV;
		goto close;
	}

	err = i2c_add_adapter(adapter);
	if (err)
		goto close;
	dev_info(&serio->dev, "%s is %s\n", adapter->name, dev_name(&adapter->dev));
	return 0;

close:
	serio_close(serio);
free:
	serio_set_drvdata(serio, NULL);
	kfree(modem);
	return err;
}

/*
 * The modem is gone: serport unregisters the port once its tty hangs up, or when the attach
 * program ends. A transfer in flight ends at once, every later one fails at its start, and
 * i2c_del_adapter waits only for the openers of /dev/i2c-N to close it.
 */
static void i2c_modem_disconnect(struct serio *serio)
{
	struct i2c_modem *modem = serio_get_drvdata(serio);
	unsigned long irqflags;

	spin_lock_irqsave(&modem->lock, irqflags);
	modem->gone = true;
	complete(&modem->done);
	spin_unlock_irqrestore(&modem->lock, irqflags);

	dev_info(&serio->dev, "%s is gone\n", modem->adapter.name);
	i2c_del_adapter(&modem->adapter);
	serio_close(serio);
	serio_set_drvdata(serio, NULL);
	kfree(modem);
}

static const struct serio_device_id i2c_modem_ids[] = {
	{
		.type = SERIO_RS232,
		.proto = I2C_MODEM_SERIO_PROTO,
		.id = SERIO_ANY,
		.extra = SERIO_ANY,
	},
	{ 0 }
};
MODULE_DEVICE_TABLE(serio, i2c_modem_ids);

static struct serio_driver i2c_modem_driver = {
	.driver = {
		.name = "i2c-modem",
	},
	.description = "I2C modem as an I2C adapter",
	.id_table = i2c_modem_ids,
	.interrupt = i2c_modem_interrupt,
	.connect = i2c_modem_connect,
	.disconnect = i2c_modem_disconnect,
};
module_serio_driver(i2c_modem_driver);

MODULE_DESCRIPTION("I2C modem as an I2C adapter, attached to its tty by serport");
MODULE_LICENSE("GPL");
